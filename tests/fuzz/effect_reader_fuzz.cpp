// libFuzzer target for the effect container's reader: any bytes, read from a
// buffer of exactly their size.
#include <stddef.h>
#include <stdint.h>

#include "render/effect_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static EffectLayout layout;
    if (size > 0xFFFFFFFFu) return 0;
    read_effect(data, static_cast<uint32_t>(size), &layout);
    return 0;
}
