// Text of a one-dimensional SAFEARRAY of BSTRs, for providers that combine their inputs.
#pragma once

#include <oleauto.h>

#include <string>
#include <string_view>

namespace pal::services {

// The elements joined with the separator (a null element counts as empty); empty for null.
std::u16string JoinStringArray(SAFEARRAY* array, std::u16string_view separator);

}  // namespace pal::services
