#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "library/photo_paths.h"

TEST(PhotoName, StillImageExtensionsInAnyCaseAfterAtLeastOneCharacter)
{
    for (const char* name : {"a.jpg", "B.JPG", "c.JpG", "x.y.jpg", "..jpg", " .jPg", "d.jpeg", "e.JPE", "f.jfif",
                             "g.png", "h.Bmp", "i.gif", "j.tif", "k.TIFF", "l.webp", "m.HEIC", "n.heif", "IMG_0001.HEIC",
                             "photo.tar.png"})
        EXPECT_TRUE(is_photo_name(name)) << name;
    for (const char* name : {"", "jpg", ".jpg", ".JPG", ".png", ".jpeg", ".heic", "f.jpg.txt", "hjpg", "i.jpg ",
                             "j.jpgx", "k_jpg", "l.jp", "m.", "n.pn", "o.jpegs", "p.tiffs", "q.svg", "r.ico", "s.raw",
                             "t.avif", "u.jxr", "v.jpeg.", "w.jpg.bak", "png", "xpng", "y.j.pg"})
        EXPECT_FALSE(is_photo_name(name)) << name;
}

TEST(PhotoName, DotEntries)
{
    EXPECT_TRUE(is_dot_entry("."));
    EXPECT_TRUE(is_dot_entry(".."));
    for (const char* name : {"...", ".a", "..a", "a", ".hidden"}) EXPECT_FALSE(is_dot_entry(name)) << name;
}

TEST(JoinPath, FitsWithTerminatorOrLeavesTheBufferAlone)
{
    char out[path_size + 8];
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

TEST(FileListBlock, GrowsFourfoldWithinThirtyTwoBits)
{
    EXPECT_EQ(32, grown_capacity(0));
    EXPECT_EQ(32, grown_capacity(-1));
    EXPECT_EQ(128, grown_capacity(32));
    EXPECT_EQ(2097152, grown_capacity(524288));
    // The last step stops at the largest block whose size fits; from there on
    // the block cannot grow.
    const int32_t most = 16519104;
    EXPECT_NE(0xFFFFFFFFu, file_list_bytes(most));
    EXPECT_EQ(0xFFFFFFFFu, file_list_bytes(most + 1));
    EXPECT_EQ(most, grown_capacity(most / 4 + 1));
    EXPECT_EQ(most, grown_capacity(most - 1));
    EXPECT_EQ(most, grown_capacity(most));
}

TEST(WalkedFolder, NotTheSystemsOwnNorLinksToOtherFolders)
{
    const uint32_t directory = 0x10, readonly = 0x1;
    struct Case {
        uint32_t attributes, tag;
        bool walked;
    } cases[] = {
        {directory, 0, true},
        {directory | readonly, 0, true},
        {directory | attribute_hidden, 0, true},
        {directory | attribute_system, 0, true},
        {directory | attribute_hidden | attribute_system, 0, false},  // $RECYCLE.BIN
        {directory | attribute_reparse_point, 0xA0000003, false},      // junction, mounted volume
        {directory | attribute_reparse_point, 0xA000000C, false},      // symbolic link
        {directory | attribute_reparse_point, 0xA000001D, false},      // Linux subsystem link
        {directory | attribute_reparse_point, 0, false},               // Wine's symbolic link
        {directory | attribute_reparse_point, 0x9000601A, true},       // cloud placeholder
        {directory | attribute_reparse_point, 0x80000013, true},       // deduplicated
        {directory | attribute_reparse_point | attribute_hidden | attribute_system, 0x9000601A, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.walked, is_walked_folder(c.attributes, c.tag)) << std::hex << c.attributes << " " << c.tag;
}
