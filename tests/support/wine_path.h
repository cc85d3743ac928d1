// A path of the build machine as Windows sees it under Wine (drive Z:).
#pragma once
#include <string>

inline std::string wine_path(std::string unix_path)
{
    for (char& c : unix_path)
        if (c == '/') c = '\\';
    return unix_path[0] == '\\' ? "Z:" + unix_path : unix_path;
}
