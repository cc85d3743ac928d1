#include <gtest/gtest.h>

#include <string>

#include "app/support.h"
#include "library/settings.h"
#include "slideshow/caption.h"

TEST(Caption, TheDateAndOrTheFileNameWithoutItsFolder)
{
    const char* path = "C:\\photos\\2024\\Crème brûlée.jpg";
    struct Case {
        int32_t mode;
        const char* date;
        const char* want;
    };
    const Case cases[] = {
        {CAPTION_NONE, "14 July 2024", ""},
        {CAPTION_DATE, "14 July 2024", "14 July 2024"},
        {CAPTION_NAME, "14 July 2024", "Crème brûlée.jpg"},
        {CAPTION_BOTH, "14 July 2024", "14 July 2024\nCrème brûlée.jpg"},
        // A photo without a date shows none.
        {CAPTION_DATE, "", ""},
        {CAPTION_BOTH, "", "Crème brûlée.jpg"},
        // A mode the settings never give shows nothing.
        {7, "14 July 2024", ""},
    };
    char out[text_size];
    for (const Case& c : cases) {
        compose_caption(out, c.mode, c.date, path);
        EXPECT_EQ(std::string(out), c.want) << c.mode << " '" << c.date << "'";
    }
    EXPECT_STREQ(file_name_of("a.jpg"), "a.jpg");
    EXPECT_STREQ(file_name_of("C:\\"), "");

    // The longest path and a long date still fit, cut at the end.
    std::string long_path = "C:\\" + std::string(255, 'n');
    std::string long_date(date_text_size - 1, 'd');
    compose_caption(out, CAPTION_BOTH, long_date.c_str(), long_path.c_str());
    EXPECT_EQ(std::string(out), long_date + "\n" + std::string(255, 'n'));
}
