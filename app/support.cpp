#include "support.h"

#include <xmmintrin.h>

uint32_t rng_state = 0;
char decimal_buffer[16] = {};

void seed_random(uint32_t seed) { rng_state = seed; }

uint32_t next_random_from(uint32_t* state)
{
    *state = *state * 2147001325u + 715136305u;
    return *state >> 8;
}

uint32_t next_random() { return next_random_from(&rng_state); }

int32_t round_to_int(float x)
{
    // cvtss2si honours MXCSR, which nobody changes: to nearest, ties to even.
    return _mm_cvtss_si32(_mm_set_ss(x));
}

const char* int_to_text(int32_t n)
{
    uint32_t v = static_cast<uint32_t>(n);
    int i = 15;
    decimal_buffer[i] = 0;
    do {
        decimal_buffer[--i] = static_cast<char>('0' + v % 10);
        v /= 10;
    } while (v != 0);
    return decimal_buffer + i;
}

void str_copy(char* dst, const char* src)
{
    while ((*dst++ = *src++) != 0) {
    }
}

void str_append(char* dst, const char* src)
{
    while (*dst) ++dst;
    str_copy(dst, src);
}

uint32_t str_length(const char* s)
{
    uint32_t n = 0;
    while (s[n]) ++n;
    return n;
}

bool str_equal(const char* a, const char* b)
{
    while (*a && *a == *b) {
        ++a;
        ++b;
    }
    return *a == *b;
}

void mem_fill(void* dst, int value, uint32_t count)
{
    unsigned char* p = static_cast<unsigned char*>(dst);
    unsigned char b = static_cast<unsigned char>(value);
    // volatile keeps the compiler from turning this loop into a call to memset
    // inside memset itself (see crt.cpp).
    for (uint32_t i = 0; i < count; ++i) static_cast<volatile unsigned char*>(p)[i] = b;
}
