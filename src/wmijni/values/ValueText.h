// The one rule by which a WMI value becomes text for Java, shared by property reads, array
// elements and qualifier values, so that a value reads the same whichever export fetches it.
#pragma once

#include <cstddef>

#include "platform/platform.h"
#include "text/NumberText.h"

namespace wmibridge {

// Where the text of one value is: in the caller's buffer, or in the value's own string.
struct ValueText {
    const WCHAR* chars = nullptr;
    size_t length = 0;
};

// Room for the text of any value that is not a string.
using ValueTextBuffer = WCHAR[text::kFixedTextCapacity];

// The text of a value of type `vt` stored at `value`:
//   VT_EMPTY, VT_NULL  ""
//   VT_I1, VT_I2, VT_I4, VT_INT  signed decimal;  VT_UI1, VT_UI2, VT_UI4, VT_UINT  unsigned decimal
//   VT_R4, VT_R8  fixed with six decimals ("%f"), a float widened to double first
//   VT_BSTR  its characters up to the first NUL ("" for a null string)
//   VT_BOOL  "1" for VARIANT_TRUE (exactly 0xFFFF), "0" for anything else
// False for every other type: it has no text.
bool ScalarText(VARTYPE vt, const void* value, ValueTextBuffer& buffer, ValueText& out) noexcept;

// The text of a VARIANT holding a scalar.
bool VariantText(const VARIANT* value, ValueTextBuffer& buffer, ValueText& out) noexcept;

// Element types whose arrays read element by element.
bool IsReadableArrayElement(VARTYPE vt) noexcept;

}  // namespace wmibridge
