// Helpers for Direct3D objects shared by start-up, the device code and the
// tests.
#pragma once
#include <stdint.h>

// Releases the object when there is one and clears the pointer.
template <typename T> void release(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// Copies size bytes into a whole vertex or index buffer; false when it does not
// lock.
template <typename Buffer> bool fill_buffer(Buffer* buffer, const void* data, uint32_t size)
{
    void* p = nullptr;
    if (buffer->Lock(0, 0, &p, 0) < 0) return false;
    const unsigned char* s = static_cast<const unsigned char*>(data);
    unsigned char* d = static_cast<unsigned char*>(p);
    for (uint32_t i = 0; i < size; ++i) d[i] = s[i];
    buffer->Unlock();
    return true;
}
