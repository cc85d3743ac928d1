// Rewrites a compiled ps_2_0 pixel shader so that its operands keep to what
// the shader model allows: source swizzles only .xyzw, the replicates and
// .yzxw, .zxyw, .wzyx, and texld coordinates without a swizzle. Direct3D on
// Windows refuses any other shader when it is created.
//
// Every component an instruction reads keeps its value, so the shader
// computes the same bits: a value kept in the last components of a
// temporary may move to the first ones of a temporary of its own; a component the instruction does not read is
// changed freely to reach an allowed swizzle; a defined constant that still
// has none is defined again in a free register with its components in the
// order read; an instruction that still has none is split by the components
// it writes; texld coordinates that need one are first copied into a
// temporary the shader does not use.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fxpack {

struct OperandRewrite {
    int swizzles_filled = 0;     // sources given an allowed swizzle in place
    int instructions_split = 0;  // instructions written as two or more
    int coordinates_copied = 0;  // texld coordinates copied into a temporary
    int constants_added = 0;     // defined constants rearranged into a new register
    int values_moved = 0;        // values moved to the first components of a temporary
};

// Rewrites code (the shader's 32-bit tokens) in place. Other shader models
// are left as they are. Returns false with a message, leaving code as it
// was, on tokens it cannot follow or when no temporary is free.
bool rewrite_ps_2_0_operands(std::vector<uint32_t>* code, OperandRewrite* done, std::string* error);

}  // namespace fxpack
