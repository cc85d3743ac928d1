// The screen saver's command line and the black windows over other monitors.
#include <gtest/gtest.h>

#include <string>

#include "app/saver_rules.h"

namespace {

void expect_command(const std::string& line, SaverMode mode, uint32_t window)
{
    SaverCommand c = parse_saver_command(line.c_str());
    EXPECT_EQ(c.mode, mode) << "[" << line << "]";
    EXPECT_EQ(c.window, window) << "[" << line << "]";
}

} // namespace

TEST(SaverCommandLine, FormsWindowsPasses)
{
    const char* program = "\"C:\\Program Files\\orbisca\\orbisca.scr\" ";
    for (const char* prefix : {"C:\\WINDOWS\\ORBISCA.SCR ", program}) {
        std::string p = prefix;
        expect_command(p + "/s", SAVER_SHOW, 0);
        expect_command(p + "-S", SAVER_SHOW, 0);
        expect_command(p + "/c", SAVER_SETTINGS, 0);
        expect_command(p + "/c:1234", SAVER_SETTINGS, 1234);
        expect_command(p + "-C 99", SAVER_SETTINGS, 99);
        expect_command(p + "/p 1234", SAVER_PREVIEW, 1234);
        expect_command(p + "/P:1234", SAVER_PREVIEW, 1234);
        expect_command(p + "/p   4294967295  ", SAVER_PREVIEW, 4294967295u);
        expect_command(p + "/a 5678", SAVER_EXIT, 0);
    }
    // A quoted name with the switch right behind it.
    expect_command("\"a b.scr\"/p 7", SAVER_PREVIEW, 7);
}

TEST(SaverCommandLine, JunkOpensTheSettingsOrEndsAPreview)
{
    for (const char* line : {"", "   ", "x.scr", "x.scr   ", "x.scr /x", "x.scr /", "x.scr -", "x.scr s",
                             "x.scr /sx", "x.scr //s", "\"unterminated /s", "x.scr /c:abc", "x.scr /c:0"})
        expect_command(line, SAVER_SETTINGS, 0);
    const std::string digits30(30, '9');
    for (const std::string& line :
         {std::string("x.scr /p"), std::string("x.scr /p "), std::string("x.scr /p:"), std::string("x.scr /p abc"),
          std::string("x.scr /p 12ab"), std::string("x.scr /p 0"), std::string("x.scr /p 4294967296"),
          std::string("x.scr /p -5"), "x.scr /p " + digits30})
        expect_command(line, SAVER_EXIT, 0);
    std::string long_line = "x.scr /p " + std::string(1000, '1');
    expect_command(long_line, SAVER_EXIT, 0);
    expect_command("x.scr " + std::string(1000, ' '), SAVER_SETTINGS, 0);
    EXPECT_EQ(parse_saver_command(nullptr).mode, SAVER_SETTINGS);
}

TEST(CoverWindows, EveryMonitorButThePrimaryOnce)
{
    ScreenRect out[max_cover_windows];
    // Primary in the middle, one to the left (negative coordinates), one
    // above, a mirror of the primary, a repeat of the left one, an empty one.
    MonitorArea monitors[] = {
        {{-1024, 0, 0, 768}, false}, {{0, 0, 1280, 1024}, true},   {{0, -900, 1600, 0}, false},
        {{0, 0, 1280, 1024}, false}, {{-1024, 0, 0, 768}, false}, {{1280, 0, 1280, 1024}, false},
    };
    ASSERT_EQ(cover_rects(monitors, 6, out), 2);
    EXPECT_EQ(out[0].left, -1024);
    EXPECT_EQ(out[0].bottom, 768);
    EXPECT_EQ(out[1].top, -900);
    EXPECT_EQ(out[1].right, 1600);
    EXPECT_EQ(cover_rects(monitors + 1, 1, out), 0);

    // More monitors than windows: the last window spans the rest.
    MonitorArea many[max_cover_windows + 5];
    many[0] = {{0, 0, 100, 100}, true};
    for (int i = 1; i < max_cover_windows + 5; ++i) many[i] = {{100 * i, 0, 100 * i + 100, 100}, false};
    ASSERT_EQ(cover_rects(many, max_cover_windows + 5, out), max_cover_windows);
    EXPECT_EQ(out[max_cover_windows - 2].left, 100 * (max_cover_windows - 1));
    EXPECT_EQ(out[max_cover_windows - 1].left, 100 * max_cover_windows);
    EXPECT_EQ(out[max_cover_windows - 1].right, 100 * (max_cover_windows + 5));
}

TEST(SaverPointer, SmallMovesAreNotAnEnd)
{
    EXPECT_FALSE(pointer_moved_away(100, 100, 100 + pointer_slack, 100 - pointer_slack));
    EXPECT_TRUE(pointer_moved_away(100, 100, 101 + pointer_slack, 100));
    EXPECT_TRUE(pointer_moved_away(100, 100, 100, 99 - pointer_slack));
}
