// The screen saver's costs: the preview's frame rate and its processor time
// as a share of one core over 30 s (in a 152 x 112 window, as the system's
// settings show it), and the show's time from process start to its first
// presented frame. The preview's frames are counted in this process, which
// runs the preview itself; its processor share is measured both here and for
// the real orbisca.scr, started beside this program. Last, the show's frames
// per second on each monitor, counted in this process (two monitors with
// ORBISCA_DISPLAY=two).
// usage: bench_saver.exe FOLDER [RUNS]      (the folder is stored as the show's)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "app/saver.h"
#include "app/shell.h"
#include "app/slideshow.h"
#include "support/hooks.h"
#include "tools/common/bench_clock.h"

namespace {

const double preview_seconds = 30.0;

int presents = 0;
FILETIME first_present = {0, 0};
// Each device's presents and the adapter it was made on.
std::map<IDirect3DDevice9*, int> device_presents;
std::map<IDirect3DDevice9*, UINT> device_adapter;

void counted_present(IDirect3DDevice9* device)
{
    if (presents++ == 0) GetSystemTimePreciseAsFileTime(&first_present);
    ++device_presents[device];
}

void count_presents()
{
    watch_devices({nullptr, [](IDirect3DDevice9* device, UINT adapter) { device_adapter[device] = adapter; },
                   counted_present});
}

double seconds_of(const FILETIME& t) { return (double(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) * 1e-7; }

// Processor time (user and kernel) of a process so far, in seconds.
double cpu_seconds(HANDLE process)
{
    FILETIME created, ended, kernel, user;
    GetProcessTimes(process, &created, &ended, &kernel, &user);
    return seconds_of(kernel) + seconds_of(user);
}

HWND make_host_window()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "bench_saver_host";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(WS_EX_NOACTIVATE, "bench_saver_host", "bench", WS_POPUP | WS_CLIPCHILDREN, 100, 100,
                                152, 112, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(host, SW_SHOWNOACTIVATE);
    return host;
}

HWND preview_host = nullptr;
double preview_start = 0, cpu_start = 0;
int presents_at_start = 0;

// From inside the preview's loop: the measured span begins with the first
// frame and ends preview_seconds later, with the preview's window.
void CALLBACK preview_tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (presents == 0) return;
    if (preview_start == 0) {
        preview_start = seconds_now();
        cpu_start = cpu_seconds(GetCurrentProcess());
        presents_at_start = presents;
        return;
    }
    if (seconds_now() - preview_start < preview_seconds) return;
    double wall = seconds_now() - preview_start;
    double cpu = cpu_seconds(GetCurrentProcess()) - cpu_start;
    std::printf("preview here: %.1f frames per second, %.0f%% of one core over %.0f s\n",
                (presents - presents_at_start) / wall, 100.0 * cpu / wall, wall);
    KillTimer(nullptr, timer);
    DestroyWindow(preview_host);
}

void bench_preview_here()
{
    preview_host = make_host_window();
    char command[64];
    std::snprintf(command, sizeof command, "bench /p %lu",
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(preview_host)));
    SetTimer(nullptr, 0, 100, preview_tick);
    run_screen_saver(command);
}

void bench_preview_program(const char* scr)
{
    HWND host = make_host_window();
    char command[MAX_PATH + 40];
    std::snprintf(command, sizeof command, "\"%s\" /p %lu", scr,
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host)));
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        std::printf("orbisca.scr /p did not start (%s)\n", scr);
        return;
    }
    // Its start-up (the scan, the device, the effect) is not part of the span.
    auto pump_for = [](double seconds) {
        double until = seconds_now() + seconds;
        MSG msg;
        while (seconds_now() < until) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(10);
        }
    };
    pump_for(5);
    double start = seconds_now(), cpu = cpu_seconds(process.hProcess);
    pump_for(preview_seconds);
    double wall = seconds_now() - start;
    bool running = WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
    std::printf("preview in orbisca.scr: %.0f%% of one core over %.0f s%s\n",
                100.0 * (cpu_seconds(process.hProcess) - cpu) / wall, wall, running ? "" : " (it had ended: no figure)");
    DestroyWindow(host);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

void CALLBACK close_after_first_frame(HWND, UINT, UINT_PTR, DWORD)
{
    if (presents > 0 && main_window) PostMessageA(main_window, WM_CLOSE, 0, 0);
}

// One show in this process: its exit code is the milliseconds from the
// process's start to the first presented frame (0: none).
int show_once()
{
    count_presents();
    SetTimer(nullptr, 0, 50, close_after_first_frame);
    run_screen_saver("bench /s");
    if (presents == 0) return 0;
    FILETIME created, ended, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    return static_cast<int>(1000.0 * (seconds_of(first_present) - seconds_of(created)) + 0.5);
}

// The show on every monitor: after warm_up seconds from its first frame, each
// device's presents over the next span seconds.
const double monitors_warm_up = 10.0, monitors_span = 30.0;
double monitors_start = 0;
std::map<IDirect3DDevice9*, int> presents_at_span_start;

void CALLBACK monitors_tick(HWND, UINT, UINT_PTR timer, DWORD)
{
    if (presents == 0 || !main_window) return;
    double now = seconds_now();
    if (monitors_start == 0) monitors_start = now + monitors_warm_up;
    if (now < monitors_start) return;
    if (presents_at_span_start.empty()) {
        presents_at_span_start = device_presents;
        return;
    }
    if (now - monitors_start < monitors_span) return;
    double wall = now - monitors_start;
    for (const auto& [device, count] : device_presents)
        std::printf("/s on adapter %u: %.1f frames per second over %.0f s\n", device_adapter[device],
                    (count - presents_at_span_start[device]) / wall, wall);
    KillTimer(nullptr, timer);
    PostMessageA(main_window, WM_CLOSE, 0, 0);
}

void bench_every_monitor()
{
    device_presents.clear();
    presents = 0;
    SetTimer(nullptr, 0, 100, monitors_tick);
    std::printf("/s on %d monitors:\n", GetSystemMetrics(SM_CMONITORS));
    run_screen_saver("bench /s");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1 && std::strcmp(argv[1], "--show-once") == 0) return show_once();
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_saver FOLDER [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    char folder[MAX_PATH];
    GetFullPathNameA(argv[1], MAX_PATH, folder, nullptr);
    size_t n = std::strlen(folder);
    if (n && folder[n - 1] != '\\') std::strcat(folder, "\\");
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\orbisca", "folder", REG_SZ, folder,
                    static_cast<DWORD>(std::strlen(folder) + 1));

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::vector<double> starts;
    for (int i = 0; i < runs; ++i) {
        std::string command = std::string("\"") + self + "\" --show-once";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
            return 1;
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD ms = 0;
        GetExitCodeProcess(process.hProcess, &ms);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        if (ms == 0) {
            std::printf("run %d: the show presented no frame\n", i + 1);
            continue;
        }
        starts.push_back(ms / 1000.0);
        std::printf("run %d: %.3f s from process start to the show's first presented frame\n", i + 1, ms / 1000.0);
    }
    std::printf("/s, process start to first presented frame: median %.3f s over %zu runs\n", median(starts),
                starts.size());

    count_presents();
    bench_preview_here();
    // The real program beside this one, found next to the build's tools.
    std::string scr = self;
    scr = scr.substr(0, scr.find_last_of('\\'));
    scr = scr.substr(0, scr.find_last_of('\\')) + "\\orbisca.scr";
    bench_preview_program(scr.c_str());
    bench_every_monitor();
    return 0;
}
