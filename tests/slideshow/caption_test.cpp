#include <gtest/gtest.h>

#include <string>

#include "app/support.h"
#include "library/settings.h"
#include "slideshow/caption.h"

TEST(Caption, TheDateAndOrTheFileNameWithoutItsFolder)
{
    const char* path = "C:\\photos\\2024\\Crème brûlée.jpg";
    const char* date = "14 July 2024";
    // Mode, date (empty: the photo has none), caption. A mode the settings
    // never give shows nothing.
    const std::tuple<int32_t, const char*, std::string> cases[] = {
        {CAPTION_NONE, date, ""},     {CAPTION_DATE, date, date},        {CAPTION_NAME, date, "Crème brûlée.jpg"},
        {CAPTION_BOTH, date, std::string(date) + "\nCrème brûlée.jpg"}, {CAPTION_DATE, "", ""},
        {CAPTION_BOTH, "", "Crème brûlée.jpg"},                          {7, date, ""},
    };
    char out[text_size];
    for (const auto& [mode, date_text, want] : cases) {
        compose_caption(out, mode, date_text, path);
        EXPECT_EQ(out, want) << mode << " '" << date_text << "'";
    }
    // The longest path with a long date still fits.
    std::string name(255, 'n'), long_date(date_text_size - 1, 'd');
    compose_caption(out, CAPTION_BOTH, long_date.c_str(), ("C:\\" + name).c_str());
    EXPECT_EQ(out, long_date + "\n" + name);
}
