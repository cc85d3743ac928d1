#include "support.h"

#include <windows.h>

// 0xFFFFFFFF is what callers pass for a size that overflowed 32 bits. A 32-bit
// heap refuses it on its own; a 64-bit one would hand out a 4 GiB block that is
// still too small for what was asked, so it is refused here on every build.
static void* heap_alloc(uint32_t count)
{
    if (count == 0xFFFFFFFFu) return nullptr;
    return HeapAlloc(GetProcessHeap(), 0, count);
}

void* mem_alloc(uint32_t count) { return heap_alloc(count); }
void* mem_alloc_array(uint32_t count) { return heap_alloc(count); }
void* mem_resize_array(void* p, uint32_t count)
{
    if (count == 0xFFFFFFFFu) return nullptr;
    return HeapReAlloc(GetProcessHeap(), 0, p, count);
}
void mem_free(void* p) { HeapFree(GetProcessHeap(), 0, p); }
void mem_free_array(void* p) { HeapFree(GetProcessHeap(), 0, p); }
