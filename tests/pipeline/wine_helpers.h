// Files and textures for the pipeline's tests under Wine.
#pragma once
#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/test_device.h"
#include "support/wine_path.h"

inline std::string data_file(const char* name) { return wine_path(std::string(PIPELINE_TEST_DATA "/") + name); }

inline std::vector<uint8_t> read_file_bytes(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline void write_file_bytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// A fresh file name in the temporary folder.
inline std::string temp_file(const char* stem)
{
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    static int serial = 0;
    return std::string(dir) + "pipeline_" + stem + "_" + std::to_string(GetCurrentProcessId()) + "_" +
           std::to_string(++serial) + ".tmp";
}

// Every level of a texture as BGRA bytes.
inline std::vector<std::vector<uint8_t>> texture_levels(IDirect3DTexture9* texture)
{
    std::vector<std::vector<uint8_t>> levels;
    for (DWORD l = 0; l < texture->GetLevelCount(); ++l) {
        D3DSURFACE_DESC desc;
        texture->GetLevelDesc(l, &desc);
        levels.emplace_back(size_t(desc.Width) * desc.Height * 4);
        if (!read_texture_level(texture, l, levels.back().data())) levels.back().clear();
    }
    return levels;
}
