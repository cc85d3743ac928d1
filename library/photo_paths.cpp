#include "photo_paths.h"


namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

} // namespace

bool is_photo_name(const char* name)
{
    // Extensions without their dot, at most four letters.
    static const char extensions[][5] = {"jpg", "jpeg", "jpe", "jfif", "png", "bmp",
                                         "gif", "tif", "tiff", "webp", "heic", "heif"};
    uint32_t n = str_length(name);
    // The dot: within the last five characters, with a character before it.
    uint32_t dot = n;
    for (uint32_t i = n; i > 0 && n - i < 5; --i)
        if (name[i - 1] == '.') {
            dot = i - 1;
            break;
        }
    if (dot == n || dot == 0) return false;
    char tail[5];
    uint32_t length = n - dot - 1;
    for (uint32_t i = 0; i < length; ++i) tail[i] = lower(name[dot + 1 + i]);
    tail[length] = 0;
    for (const char* e : extensions) {
        uint32_t i = 0;
        while (e[i] && e[i] == tail[i]) ++i;
        if (e[i] == 0 && tail[i] == 0) return true;
    }
    return false;
}

bool is_dot_entry(const char* name)
{
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

bool join_path(char* out, const char* a, const char* b, const char* c)
{
    uint32_t na = str_length(a), nb = str_length(b), nc = str_length(c);
    // Each part is at most a path long, so the sum cannot wrap.
    if (na >= path_size || nb >= path_size || nc >= path_size || na + nb + nc + 1 > path_size) return false;
    char* p = out;
    for (uint32_t i = 0; i < na; ++i) *p++ = a[i];
    for (uint32_t i = 0; i < nb; ++i) *p++ = b[i];
    for (uint32_t i = 0; i < nc; ++i) *p++ = c[i];
    *p = 0;
    return true;
}

uint32_t file_list_bytes(int32_t count)
{
    if (count <= 0) return 0;
    uint64_t bytes = static_cast<uint64_t>(count) * path_size;
    return bytes > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(bytes);
}

int32_t grown_capacity(int32_t capacity)
{
    const int32_t first = 32;
    const int32_t most = static_cast<int32_t>(0xFFFFFFFFu / path_size);
    if (capacity < first) return first;
    if (capacity >= most) return capacity;
    return capacity > most / 4 ? most : capacity * 4;
}

bool is_walked_folder(uint32_t attributes, uint32_t reparse_tag)
{
    const uint32_t hidden_system = attribute_hidden | attribute_system;
    if ((attributes & hidden_system) == hidden_system) return false;
    if (attributes & attribute_reparse_point) return reparse_tag != 0 && !(reparse_tag & reparse_tag_name_surrogate);
    return true;
}
