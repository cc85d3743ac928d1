#include "caption.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include "app/support.h"
#include "library/settings.h"

namespace {

// Appends src to the text in out (size bytes), as much of it as fits.
void append_bounded(char* out, uint32_t size, const char* src)
{
    uint32_t n = str_length(out);
    while (*src && n + 1 < size) out[n++] = *src++;
    out[n] = 0;
}

} // namespace

const char* file_name_of(const char* path)
{
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\') name = p + 1;
    return name;
}

void compose_caption(char* out, int32_t mode, const char* date_text, const char* path)
{
    out[0] = 0;
    bool date = (mode == CAPTION_DATE || mode == CAPTION_BOTH) && date_text[0];
    bool name = mode == CAPTION_NAME || mode == CAPTION_BOTH;
    if (date) append_bounded(out, text_size, date_text);
    if (date && name) append_bounded(out, text_size, "\n");
    if (name) append_bounded(out, text_size, file_name_of(path));
}

#ifdef _WIN32

void format_date(PhotoDate date, char* out)
{
    out[0] = 0;
    if (date.year == 0) return;
    SYSTEMTIME day;
    mem_fill(&day, 0, sizeof(day));
    day.wYear = date.year;
    day.wMonth = date.month;
    day.wDay = date.day;
    // The system finds the day of the week itself; it refuses a day that
    // does not exist.
    wchar_t wide[date_text_size];
    if (GetDateFormatEx(LOCALE_NAME_USER_DEFAULT, DATE_LONGDATE, &day, nullptr, wide, date_text_size, nullptr) == 0)
        return;
    // In the program's code page, as the font draws it.
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, out, static_cast<int>(date_text_size), nullptr, nullptr) == 0)
        out[0] = 0;
}

void write_caption(char* out, int32_t mode, PhotoDate date, const char* path)
{
    char date_text[date_text_size];
    date_text[0] = 0;
    if (mode == CAPTION_DATE || mode == CAPTION_BOTH) format_date(date, date_text);
    compose_caption(out, mode, date_text, path);
}

#endif
