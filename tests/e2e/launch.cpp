// Starts a program as Windows starts one and reports how it ended, as Windows
// sees it: writes its exit code, in decimal, to CODE_FILE once it has ended,
// and ends with the same code.
// The status of the program's own process under Wine is no such record: once
// a program has ended, Wine's server kills its Unix process when that is
// still winding down a moment later (a loaded machine), and the shell sees a
// SIGKILL. The program runs in a job that is closed with this process, so a
// test that kills this process ends the program too.
// usage: launch.exe CODE_FILE PROGRAM [ARGUMENTS...]     (Windows paths)
// Exit code 120 when the program cannot be started.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// An argument as CommandLineToArgvW reads it back.
void append_quoted(std::wstring& line, const wchar_t* arg)
{
    if (!line.empty()) line += L' ';
    std::wstring a(arg);
    if (!a.empty() && a.find_first_of(L" \t\"") == std::wstring::npos) {
        line += a;
        return;
    }
    line += L'"';
    size_t slashes = 0;
    for (wchar_t c : a) {
        if (c == L'\\') {
            ++slashes;
            continue;
        }
        // Backslashes before a quote are doubled, and the quote escaped.
        line.append(c == L'"' ? 2 * slashes + 1 : slashes, L'\\');
        slashes = 0;
        line += c;
    }
    line.append(2 * slashes, L'\\');
    line += L'"';
}

int failed(const char* what)
{
    std::fprintf(stderr, "launch: %s (error %lu)\n", what, GetLastError());
    return 120;
}

} // namespace

int main()
{
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc < 3) return failed("usage: launch.exe CODE_FILE PROGRAM [ARGUMENTS...]");
    std::wstring line;
    for (int i = 2; i < argc; ++i) append_quoted(line, argv[i]);

    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits))
        return failed("no job for the program");

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(argv[2], &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                        &process))
        return failed("the program did not start");
    if (!AssignProcessToJobObject(job, process.hProcess)) {
        TerminateProcess(process.hProcess, 1);
        return failed("the program could not join the job");
    }
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);

    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    char text[16];
    DWORD length = static_cast<DWORD>(std::snprintf(text, sizeof text, "%lu\n", static_cast<unsigned long>(code)));
    HANDLE file = CreateFileW(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE || !WriteFile(file, text, length, &written, nullptr) || written != length)
        return failed("the exit code could not be written");
    CloseHandle(file);
    return static_cast<int>(code);
}
