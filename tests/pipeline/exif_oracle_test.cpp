// The EXIF reader against exiftool, on real camera files and on files that
// exiftool itself writes. Skipped where exiftool or the files are missing.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <map>
#include <algorithm>
#include <string>
#include <unistd.h>
#include <vector>

#include "pipeline/exif.h"
#include "pipeline/jpeg_header.h"

namespace {

const char* const camera_dirs[] = {
    "/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/samples",
    "/usr/share/gocode/src/github.com/rwcarlsen/goexif/exif/corrupt",
};

std::string run(const std::string& command)
{
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[256];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    pclose(p);
    return out;
}

bool have_exiftool() { return std::system("exiftool -ver >/dev/null 2>&1") == 0; }

std::vector<uint8_t> read_bytes(const std::string& path, size_t limit = ~size_t(0))
{
    std::ifstream f(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    if (bytes.size() > limit) bytes.resize(limit);
    return bytes;
}

// What the program reads: the reader over the head of the file.
int32_t ours(const std::string& path)
{
    std::vector<uint8_t> head = read_bytes(path, exif_head_size);
    return jpeg_exif_orientation(head.data(), uint32_t(head.size()));
}

// exiftool's IFD 0 Orientation as a number, or -1 when it reports none.
int32_t exiftool_orientation(const std::string& path, const char* type = nullptr)
{
    std::string cmd = "exiftool -n -s3 -IFD0:Orientation ";
    if (type) cmd += std::string("-ext ") + type + " ";
    std::string out = run(cmd + "'" + path + "' 2>/dev/null");
    if (out.empty() || out[0] < '0' || out[0] > '9') return -1;
    return std::atoi(out.c_str());
}

// exiftool's IFD 0 Orientation for every JPEG of a folder, in one run.
std::map<std::string, int32_t> exiftool_folder(const std::string& dir)
{
    std::map<std::string, int32_t> result;
    std::string out = run("exiftool -n -q -q -T -FileName -IFD0:Orientation -ext jpg '" + dir + "' 2>/dev/null");
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(pos, end - pos);
        size_t tab = line.find('\t');
        if (tab != std::string::npos && tab + 1 < line.size() && line[tab + 1] >= '0' && line[tab + 1] <= '9')
            result[line.substr(0, tab)] = std::atoi(line.c_str() + tab + 1);
        pos = end + 1;
    }
    return result;
}

// Many sample files are cut short inside their APP1 segment, which exiftool
// refuses as a JPEG. Their EXIF block (from the TIFF header to the end of the
// file) is still a readable TIFF, so exiftool is asked about that instead.
int32_t exiftool_on_exif_block(const std::string& path, const std::string& scratch)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    static const char header[] = "Exif\0\0";
    auto it = std::search(bytes.begin(), bytes.end(), header, header + 6);
    if (it == bytes.end()) return -1;
    std::ofstream(scratch, std::ios::binary).write(reinterpret_cast<const char*>(&*(it + 6)), bytes.end() - it - 6);
    return exiftool_orientation(scratch);
}

std::string scratch_dir()
{
    char templ[] = "/tmp/exif_oracle.XXXXXX";
    const char* d = mkdtemp(templ);
    return d ? d : "/tmp";
}

TEST(ExifOracle, CameraFilesAgreeWithExiftool)
{
    if (!have_exiftool()) GTEST_SKIP() << "exiftool not installed";
    std::string scratch = scratch_dir();
    int files = 0, carved = 0;
    for (const char* dir : camera_dirs) {
        DIR* d = opendir(dir);
        if (!d) continue;
        std::map<std::string, int32_t> reference = exiftool_folder(dir);
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() < 5 || name.substr(name.size() - 4) != ".jpg") continue;
            std::string path = std::string(dir) + "/" + name;
            auto known = reference.find(name);
            int32_t expected = known == reference.end() ? -1 : known->second;
            if (expected < 0) {
                expected = exiftool_on_exif_block(path, scratch + "/block.tif");
                ++carved;
            }
            if (expected < 0) expected = 1;
            EXPECT_EQ(ours(path), expected) << path;
            ++files;
        }
        closedir(d);
    }
    std::remove((scratch + "/block.tif").c_str());
    rmdir(scratch.c_str());
    if (files == 0) GTEST_SKIP() << "no camera sample files installed";
    std::printf("compared %d camera files (%d through their EXIF block)\n", files, carved);
}

TEST(ExifOracle, FilesWrittenByExiftool)
{
    if (!have_exiftool()) GTEST_SKIP() << "exiftool not installed";
    std::string dir = scratch_dir();
    // A small photo without EXIF data: exiftool adds the APP1 segment after APP0.
    std::string base = PIPELINE_TEST_DATA "/wide.jpg";
    EXPECT_EQ(ours(base), 1);

    for (const char* order : {"II", "MM"}) {
        for (int code = 0; code <= 9; ++code) {
            std::string out = dir + "/o" + order + std::to_string(code) + ".jpg";
            run("exiftool -q -n -ExifByteOrder=" + std::string(order) + " -Orientation=" + std::to_string(code) +
                " -o '" + out + "' '" + base + "' 2>&1");
            int32_t expected = exiftool_orientation(out);
            ASSERT_EQ(expected, code) << out;
            EXPECT_EQ(ours(out), expected) << out;
            std::remove(out.c_str());
        }
    }
    rmdir(dir.c_str());
}

// exiftool's DateTimeOriginal of the Exif IFD for every JPEG of a folder.
std::map<std::string, std::string> exiftool_dates(const std::string& dir)
{
    std::map<std::string, std::string> result;
    std::string out = run("exiftool -n -q -q -T -FileName -ExifIFD:DateTimeOriginal -ext jpg '" + dir + "' 2>/dev/null");
    size_t pos = 0;
    while (pos < out.size()) {
        size_t end = out.find('\n', pos);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(pos, end - pos);
        size_t tab = line.find('\t');
        if (tab != std::string::npos && line.substr(tab + 1) != "-") result[line.substr(0, tab)] = line.substr(tab + 1);
        pos = end + 1;
    }
    return result;
}

// Whether "YYYY:MM:DD..." names a day the C library's calendar has.
bool real_day(const std::string& text, int* year, int* month, int* day)
{
    if (std::sscanf(text.c_str(), "%4d:%2d:%2d", year, month, day) != 3 || *year < 1601) return false;
    std::tm t = {};
    t.tm_year = *year - 1900;
    t.tm_mon = *month - 1;
    t.tm_mday = *day;
    t.tm_hour = 12;
    time_t at = timegm(&t);
    std::tm back = {};
    gmtime_r(&at, &back);
    return back.tm_year == *year - 1900 && back.tm_mon == *month - 1 && back.tm_mday == *day;
}

// exiftool's DateTimeOriginal of a file it refuses as a JPEG, from its EXIF
// block (as exiftool_on_exif_block); empty for none.
std::string exiftool_date_of_block(const std::string& path, const std::string& scratch)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    static const char header[] = "Exif\0\0";
    auto it = std::search(bytes.begin(), bytes.end(), header, header + 6);
    if (it == bytes.end()) return "";
    std::ofstream(scratch, std::ios::binary).write(reinterpret_cast<const char*>(&*(it + 6)), bytes.end() - it - 6);
    std::string out = run("exiftool -n -s3 -ExifIFD:DateTimeOriginal '" + scratch + "' 2>/dev/null");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

TEST(ExifOracle, CameraDatesAgreeWithExiftool)
{
    if (!have_exiftool()) GTEST_SKIP() << "exiftool not installed";
    std::string scratch = scratch_dir();
    int files = 0, dated = 0;
    for (const char* dir : camera_dirs) {
        DIR* d = opendir(dir);
        if (!d) continue;
        std::map<std::string, std::string> reference = exiftool_dates(dir);
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() < 5 || name.substr(name.size() - 4) != ".jpg") continue;
            std::string path = std::string(dir) + "/" + name;
            std::vector<uint8_t> head = read_bytes(path, exif_head_size);
            MemorySource memory{head.data(), uint32_t(head.size())};
            static uint8_t room[jpeg_segment_room];
            JpegHeader header;
            jpeg_read_header(memory.source(), room, &header);
            auto known = reference.find(name);
            std::string expected =
                known != reference.end() ? known->second : exiftool_date_of_block(path, scratch + "/block.tif");
            int year = 0, month = 0, day = 0;
            if (real_day(expected, &year, &month, &day)) {
                EXPECT_EQ(header.date_taken.year, year) << name << " " << expected;
                EXPECT_EQ(header.date_taken.month, month) << name;
                EXPECT_EQ(header.date_taken.day, day) << name;
                ++dated;
            } else {
                EXPECT_EQ(header.date_taken.year, 0) << name << " '" << expected << "'";
            }
            ++files;
        }
        closedir(d);
    }
    std::remove((scratch + "/block.tif").c_str());
    rmdir(scratch.c_str());
    if (files == 0) GTEST_SKIP() << "no camera sample files installed";
    std::printf("compared the dates of %d camera files, %d of them dated\n", files, dated);
}

} // namespace
