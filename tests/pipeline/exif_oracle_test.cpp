// The EXIF reader against exiftool, on real camera files and on files that
// exiftool itself writes. Skipped where exiftool or the files are missing.
#include <gtest/gtest.h>

#include <cctype>
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

// exiftool's value of `tag` for every JPEG of a folder that has one, in one run.
std::map<std::string, std::string> exiftool_folder(const std::string& dir, const std::string& tag)
{
    std::map<std::string, std::string> result;
    std::string out = run("exiftool -n -q -q -T -FileName -" + tag + " -ext jpg '" + dir + "' 2>/dev/null");
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

// Many sample files are cut short inside their APP1 segment, which exiftool
// refuses as a JPEG. Their EXIF block (from the TIFF header to the end of the
// file) is still a readable TIFF: written to `scratch`, false without one.
bool carve_exif_block(const std::string& path, const std::string& scratch)
{
    std::vector<uint8_t> bytes = read_bytes(path);
    static const char header[] = "Exif\0\0";
    auto it = std::search(bytes.begin(), bytes.end(), header, header + 6);
    if (it == bytes.end()) return false;
    std::ofstream(scratch, std::ios::binary).write(reinterpret_cast<const char*>(&*(it + 6)), bytes.end() - it - 6);
    return true;
}

int32_t exiftool_on_exif_block(const std::string& path, const std::string& scratch)
{
    return carve_exif_block(path, scratch) ? exiftool_orientation(scratch) : -1;
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
        std::map<std::string, std::string> reference = exiftool_folder(dir, "IFD0:Orientation");
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name.size() < 5 || name.substr(name.size() - 4) != ".jpg") continue;
            std::string path = std::string(dir) + "/" + name;
            auto known = reference.find(name);
            int32_t expected = known == reference.end() || !std::isdigit(static_cast<unsigned char>(known->second[0]))
                                   ? -1
                                   : std::atoi(known->second.c_str());
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

// Whether "YYYY:MM:DD..." names a day of the C library's calendar.
bool real_day(const std::string& text, int* year, int* month, int* day)
{
    if (std::sscanf(text.c_str(), "%4d:%2d:%2d", year, month, day) != 3 || *year < 1601) return false;
    std::tm t = {};
    t.tm_year = *year - 1900;
    t.tm_mon = *month - 1;
    t.tm_mday = *day;
    time_t at = timegm(&t);
    std::tm back = {};
    gmtime_r(&at, &back);
    return back.tm_mon == *month - 1 && back.tm_mday == *day;
}

TEST(ExifOracle, CameraDatesAgreeWithExiftool)
{
    if (!have_exiftool()) GTEST_SKIP() << "exiftool not installed";
    std::string scratch = scratch_dir() + "/block.tif";
    int files = 0, dated = 0;
    for (const char* dir : camera_dirs) {
        std::map<std::string, std::string> reference = exiftool_folder(dir, "ExifIFD:DateTimeOriginal");
        DIR* d = opendir(dir);
        while (dirent* e = d ? readdir(d) : nullptr) {
            std::string name = e->d_name, path = std::string(dir) + "/" + name;
            if (name.size() < 5 || name.substr(name.size() - 4) != ".jpg") continue;
            std::vector<uint8_t> head = read_bytes(path, exif_head_size);
            MemorySource memory{head.data(), uint32_t(head.size())};
            static uint8_t room[jpeg_segment_room];
            JpegHeader h;
            jpeg_read_header(memory.source(), room, &h);
            std::string expected = reference.count(name) ? reference[name]
                                   : carve_exif_block(path, scratch)
                                       ? run("exiftool -n -s3 -ExifIFD:DateTimeOriginal '" + scratch + "' 2>/dev/null")
                                       : "";
            int y = 0, m = 0, day = 0;
            bool real = real_day(expected, &y, &m, &day);
            EXPECT_EQ(h.date_taken.year * 10000 + h.date_taken.month * 100 + h.date_taken.day,
                      real ? y * 10000 + m * 100 + day : 0) << name << " '" << expected << "'";
            dated += real;
            ++files;
        }
        if (d) closedir(d);
    }
    std::remove(scratch.c_str());
    rmdir(scratch.substr(0, scratch.rfind('/')).c_str());
    if (files == 0) GTEST_SKIP() << "no camera sample files installed";
    std::printf("compared the dates of %d camera files, %d of them dated\n", files, dated);
}

} // namespace
