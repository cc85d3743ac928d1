#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "library/photo_paths.h"

TEST(PhotoName, MatchesJpgInAnyCaseAfterAtLeastOneCharacter)
{
    for (const char* name : {"a.jpg", "B.JPG", "c.JpG", "x.y.jpg", "..jpg", " .jPg"}) EXPECT_TRUE(is_jpeg_name(name)) << name;
    for (const char* name : {"", "jpg", ".jpg", ".JPG", "d.jpeg", "e.jpe", "f.jpg.txt", "g.png", "hjpg", "i.jpg ",
                             "j.jpgx", "k_jpg", "l.jp"})
        EXPECT_FALSE(is_jpeg_name(name)) << name;
}

TEST(PhotoName, DotEntries)
{
    EXPECT_TRUE(is_dot_entry("."));
    EXPECT_TRUE(is_dot_entry(".."));
    for (const char* name : {"...", ".a", "..a", "a", ".hidden"}) EXPECT_FALSE(is_dot_entry(name)) << name;
}

TEST(JoinPath, FitsWithTerminatorOrLeavesTheBufferAlone)
{
    char out[path_bytes + 8];
    std::string folder(200, 'f');
    folder += '\\';

    ASSERT_TRUE(join_path(out, folder.c_str(), "name.jpg"));
    EXPECT_EQ(folder + "name.jpg", out);
    ASSERT_TRUE(join_path(out, "C:\\p\\", "sub", "\\"));
    EXPECT_STREQ("C:\\p\\sub\\", out);

    // 259 characters and the terminator fill the buffer exactly; one more does not fit.
    std::string name(259 - folder.size(), 'n');
    ASSERT_TRUE(join_path(out, folder.c_str(), name.c_str()));
    EXPECT_EQ(259u, std::string(out).size());

    std::memset(out, '#', sizeof(out));
    EXPECT_FALSE(join_path(out, folder.c_str(), (name + "n").c_str()));
    EXPECT_FALSE(join_path(out, folder.c_str(), name.c_str(), "\\"));
    std::string huge(5000, 'h');
    EXPECT_FALSE(join_path(out, huge.c_str(), "", ""));
    EXPECT_FALSE(join_path(out, "", "", huge.c_str()));
    for (char c : out) EXPECT_EQ('#', c);
}

TEST(FileListBlock, ThirtyTwoBitSizeSaturates)
{
    EXPECT_EQ(0u, file_list_bytes(0));
    EXPECT_EQ(0u, file_list_bytes(-3));
    EXPECT_EQ(260u, file_list_bytes(1));
    EXPECT_EQ(26000000u, file_list_bytes(100000));
    EXPECT_EQ(16519104u * 260u, file_list_bytes(16519104));
    EXPECT_EQ(0xFFFFFFFFu, file_list_bytes(16519105));
    EXPECT_EQ(0xFFFFFFFFu, file_list_bytes(0x7FFFFFFF));
}
