// What the compiler may call on its own in a program without a C runtime.
// Linked into the program only; tests use their runtime's versions.
#include <stddef.h>

extern "C" {

void* memset(void* dst, int value, size_t count)
{
    volatile unsigned char* p = static_cast<unsigned char*>(dst);
    while (count--) *p++ = static_cast<unsigned char>(value);
    return dst;
}

void* memcpy(void* dst, const void* src, size_t count)
{
    volatile unsigned char* d = static_cast<unsigned char*>(dst);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    while (count--) *d++ = *s++;
    return dst;
}

void* memmove(void* dst, const void* src, size_t count)
{
    volatile unsigned char* d = static_cast<unsigned char*>(dst);
    const unsigned char* s = static_cast<const unsigned char*>(src);
    if (d < s) {
        while (count--) *d++ = *s++;
    } else {
        while (count--) d[count] = s[count];
    }
    return dst;
}

int memcmp(const void* a, const void* b, size_t count)
{
    const unsigned char* x = static_cast<const unsigned char*>(a);
    const unsigned char* y = static_cast<const unsigned char*>(b);
    for (size_t i = 0; i < count; ++i)
        if (x[i] != y[i]) return x[i] < y[i] ? -1 : 1;
    return 0;
}

}
