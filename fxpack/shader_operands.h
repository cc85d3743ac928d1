// Rewrites a compiled shader so that its operands keep to what its shader
// model allows; Direct3D on Windows refuses any other shader when it is
// created (Wine does not check). In ps_2_0 a source may be swizzled only as
// .xyzw, a replicate, .yzxw, .zxyw or .wzyx, and texld coordinates not at
// all; in ps_2_0 and vs_2_0 an instruction reads one constant register, at
// most twice, and one input register; in ps_2_0 it reads a texture
// coordinate register at most once, and only a plain mov of a whole
// register writes the color output.
//
// Every component an instruction reads keeps its value, so the shader
// computes the same bits. In a pixel shader, a value kept in the last
// components of a temporary may move to the first ones of a temporary of its
// own; a component the instruction does not read is changed freely to reach
// an allowed swizzle; a defined constant that still has none is defined
// again in a free register with its components in the order read, and two
// defined constants read together are defined again as one; an instruction
// that still has no allowed swizzle is split by the components it writes;
// texld coordinates that need one are copied into a temporary the shader
// does not use, and so is the color output before it is moved out. In both
// models a register read beyond those limits is copied into that temporary
// first.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace fxpack {

struct OperandRewrite {
    int swizzles_filled = 0;     // sources given an allowed swizzle in place
    int instructions_split = 0;  // instructions written as two or more
    int coordinates_copied = 0;  // texld coordinates copied into a temporary
    int constants_added = 0;     // defined constants rearranged or merged into a new register
    int values_moved = 0;        // values moved to the first components of a temporary
    int registers_copied = 0;    // registers copied into a temporary to keep to the read limits
    int outputs_moved = 0;       // color outputs computed in a temporary and moved out
};

// Rewrites code (the 32-bit tokens of a ps_2_0 or vs_2_0 shader) in place;
// other shader models are left as they are. Returns false with a message,
// leaving code as it was, on tokens it cannot follow or when no temporary
// or constant register is free.
bool rewrite_operands(std::vector<uint32_t>* code, OperandRewrite* done, std::string* error);

}  // namespace fxpack
