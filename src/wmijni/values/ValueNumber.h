// The exact value of a numeric or boolean value, as a VARIANT or an array element holds it, for
// callers that must not go through text: signed tags sign-extended, unsigned tags zero-extended,
// VT_BOOL as 1 for VARIANT_TRUE (exactly 0xFFFF, as its text "1") and 0 otherwise, and reals as the
// bits of the value widened to double.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

// VT_I1, VT_I2, VT_I4, VT_INT, VT_I8, VT_UI1, VT_UI2, VT_UI4, VT_UINT, VT_UI8, VT_R4, VT_R8, VT_BOOL.
bool IsNumericType(VARTYPE vt) noexcept;

// The number of a value of type `vt` stored at `value`; false (and 0) for other types.
bool ScalarNumber(VARTYPE vt, const void* value, int64_t& number) noexcept;

}  // namespace wmibridge
