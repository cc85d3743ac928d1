// Replaces one method of a COM interface for a test: the entry in the object's
// vtable is swapped for a replacement and put back when the hook goes out of
// scope. The vtable is shared by every object of that class in the process,
// so a replacement usually checks `self` or counts calls.
#pragma once
#include <stddef.h>

class VtableHook {
public:
    VtableHook(void* object, size_t slot, void* replacement);
    ~VtableHook();
    VtableHook(const VtableHook&) = delete;
    VtableHook& operator=(const VtableHook&) = delete;

    template <typename F> F original() const { return reinterpret_cast<F>(original_); }

private:
    void** entry_;
    void* original_;
};

// Vtable slots of the methods tests replace, taken from the interfaces' C layout.
namespace vtable_slot {
extern const size_t device_test_cooperative_level;
extern const size_t device_reset;
extern const size_t device_present;
extern const size_t device_create_texture;
extern const size_t device_update_texture;
extern const size_t device_set_sampler_state;
extern const size_t device_create_pixel_shader;
extern const size_t texture_lock_rect;
}
