// Small routines that stand in for a language runtime: the shared random
// generator, rounding, decimal text, string copy/append, byte fill and the
// process heap. Everything here except the heap is plain code that also
// builds and runs natively.
#pragma once
#include <stdint.h>

// Every text lives in a fixed buffer: paths (the system's MAX_PATH) and the
// status and error texts, terminators included.
const uint32_t path_size = 260;
const uint32_t text_size = 512;

extern uint32_t rng_state;
extern char decimal_buffer[16];

void seed_random(uint32_t seed);
// Next value of the shared linear congruential generator, 24 bits.
uint32_t next_random();
// The same generator on a state of the caller's own (the shuffle's), so that
// the shared sequence stays as it is.
uint32_t next_random_from(uint32_t* state);
// Float to int32 with the current rounding mode (round to nearest, ties to even).
int32_t round_to_int(float x);
// Decimal digits of a non-negative n, in decimal_buffer; overwritten by the next call.
const char* int_to_text(int32_t n);
void str_copy(char* dst, const char* src);
void str_append(char* dst, const char* src);
void mem_fill(void* dst, int value, uint32_t count);
// Number of characters before the terminator.
uint32_t str_length(const char* s);
// Whether two texts are the same, byte for byte.
bool str_equal(const char* a, const char* b);

// Process heap (Windows only). Null on failure; never zeroed.
void* mem_alloc(uint32_t count);
void* mem_alloc_array(uint32_t count);
// Gives a block from mem_alloc_array a new size, moving it when it must; null,
// with the block left as it was, on failure.
void* mem_resize_array(void* p, uint32_t count);
void mem_free(void* p);
void mem_free_array(void* p);
