#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "library/settings.h"

TEST(StoredFolder, OnlyATerminatedTextThatFits)
{
    char folder[path_size];
    std::strcpy(folder, "keep");

    const char good[] = "C:\\photos\\";
    ASSERT_TRUE(folder_from_value(good, sizeof(good), folder));
    EXPECT_STREQ(good, folder);

    // Bytes after the terminator do not matter.
    const char tail[] = "D:\\x\\\0garbage";
    ASSERT_TRUE(folder_from_value(tail, sizeof(tail), folder));
    EXPECT_STREQ("D:\\x\\", folder);

    std::strcpy(folder, "keep");
    const char open[] = {'C', ':', '\\', 'a'};
    EXPECT_FALSE(folder_from_value(open, sizeof(open), folder));
    // The terminator lies beyond the value's size: still not terminated.
    EXPECT_FALSE(folder_from_value("C:\\a", 4, folder));
    EXPECT_FALSE(folder_from_value("", 0, folder));
    EXPECT_STREQ("keep", folder);

    std::string longest(259, 'x');
    ASSERT_TRUE(folder_from_value(longest.c_str(), 260, folder));
    EXPECT_EQ(longest, folder);

    std::strcpy(folder, "keep");
    std::string too_long(260, 'y');
    EXPECT_FALSE(folder_from_value(too_long.c_str(), 261, folder));
    EXPECT_STREQ("keep", folder);
}

TEST(StoredPosition, ResumeNeverBelowMinusOne)
{
    EXPECT_EQ(-1, resume_index(-1));
    EXPECT_EQ(-1, resume_index(-2));
    EXPECT_EQ(-1, resume_index(INT32_MIN));
    EXPECT_EQ(0, resume_index(0));
    EXPECT_EQ(6, resume_index(6));
}

TEST(StoredPosition, OneBackOnlyAfterAPhotoWasRequested)
{
    EXPECT_EQ(6, index_to_store(7, true));
    EXPECT_EQ(-1, index_to_store(0, true));
    EXPECT_EQ(-1, index_to_store(-1, true));
    EXPECT_EQ(-1, index_to_store(INT32_MIN, true));
    EXPECT_EQ(INT32_MAX - 1, index_to_store(INT32_MAX, true));

    EXPECT_EQ(7, index_to_store(7, false));
    EXPECT_EQ(0, index_to_store(0, false));
    EXPECT_EQ(-1, index_to_store(-1, false));
    EXPECT_EQ(-1, index_to_store(-9, false));
}
