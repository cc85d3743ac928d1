#include "support.h"

#include <windows.h>

void* mem_alloc(uint32_t count) { return HeapAlloc(GetProcessHeap(), 0, count); }
void* mem_alloc_array(uint32_t count) { return HeapAlloc(GetProcessHeap(), 0, count); }
void mem_free(void* p) { HeapFree(GetProcessHeap(), 0, p); }
void mem_free_array(void* p) { HeapFree(GetProcessHeap(), 0, p); }
