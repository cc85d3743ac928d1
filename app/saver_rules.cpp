#include "app/saver_rules.h"

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t'; }

const char* skip_blanks(const char* p)
{
    while (is_blank(*p)) ++p;
    return p;
}

// Past the program's name: up to the closing quote when it starts with one,
// else up to the first blank.
const char* skip_program_name(const char* p)
{
    p = skip_blanks(p);
    if (*p == '"') {
        ++p;
        while (*p && *p != '"') ++p;
        if (*p == '"') ++p;
        return p;
    }
    while (*p && !is_blank(*p)) ++p;
    return p;
}

// A window handle: decimal digits up to the end or a blank, not 0, at most
// 32 bits (handles are 32-bit values on 64-bit Windows too). 0 for anything
// else.
uint32_t read_handle(const char* p)
{
    uint64_t value = 0;
    if (*p < '0' || *p > '9') return 0;
    while (*p >= '0' && *p <= '9') {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > 0xFFFFFFFFu) return 0;
        ++p;
    }
    if (*skip_blanks(p) != 0) return 0;
    return static_cast<uint32_t>(value);
}

bool inside(const ScreenRect& a, const ScreenRect& b)
{
    return a.left >= b.left && a.top >= b.top && a.right <= b.right && a.bottom <= b.bottom;
}

} // namespace

SaverCommand parse_saver_command(const char* command_line)
{
    SaverCommand command = {SAVER_SETTINGS, 0};
    if (!command_line) return command;
    const char* p = skip_blanks(skip_program_name(command_line));
    if (*p != '/' && *p != '-') return command;
    char letter = p[1];
    if (letter >= 'A' && letter <= 'Z') letter = static_cast<char>(letter - 'A' + 'a');
    // The letter stands alone: "/sx" is no switch of ours.
    char after = letter ? p[2] : 0;
    if (after != 0 && after != ':' && !is_blank(after) && (after < '0' || after > '9')) return command;
    const char* rest = letter ? p + 2 : p + 1;
    if (*rest == ':') ++rest;
    rest = skip_blanks(rest);

    switch (letter) {
    case 's':
        command.mode = SAVER_SHOW;
        break;
    case 'a':
        command.mode = SAVER_EXIT;
        break;
    case 'p':
        command.window = read_handle(rest);
        command.mode = command.window ? SAVER_PREVIEW : SAVER_EXIT;
        break;
    case 'c':
        command.window = read_handle(rest);
        break;
    }
    return command;
}

int32_t cover_rects(const MonitorArea* monitors, int32_t count, ScreenRect* out)
{
    ScreenRect primary = {0, 0, 0, 0};
    for (int32_t i = 0; i < count; ++i)
        if (monitors[i].primary) primary = monitors[i].rect;

    int32_t n = 0;
    for (int32_t i = 0; i < count; ++i) {
        const ScreenRect& r = monitors[i].rect;
        if (monitors[i].primary || r.right <= r.left || r.bottom <= r.top || inside(r, primary)) continue;
        bool covered = false;
        for (int32_t j = 0; j < n && !covered; ++j) covered = inside(r, out[j]);
        if (covered) continue;
        if (n < max_cover_windows) {
            out[n++] = r;
            continue;
        }
        ScreenRect& last = out[n - 1];
        if (r.left < last.left) last.left = r.left;
        if (r.top < last.top) last.top = r.top;
        if (r.right > last.right) last.right = r.right;
        if (r.bottom > last.bottom) last.bottom = r.bottom;
    }
    return n;
}

bool pointer_moved_away(int32_t from_x, int32_t from_y, int32_t x, int32_t y)
{
    int32_t dx = x - from_x;
    int32_t dy = y - from_y;
    return dx > pointer_slack || dx < -pointer_slack || dy > pointer_slack || dy < -pointer_slack;
}
