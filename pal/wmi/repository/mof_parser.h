// Loads MOF text into repository data: `#pragma namespace`, qualifier lists with values and
// flavors, class declarations (superclass, typed properties and arrays, references, defaults,
// methods with [in]/[out] parameters), `instance of` with scalar, array, alias and embedded
// instance values.
#pragma once

#include <wbemidl.h>

#include <string>
#include <string_view>

#include "repository/repository_data.h"

namespace pal::wmi {

// Applies the declarations to `data`, which the caller discards on failure. On failure the result
// is a failing HRESULT and `errorText` holds "line N: expected ...".
HRESULT ParseMof(std::u16string_view text, std::u16string_view defaultNamespace, RepositoryData& data,
                 std::u16string* errorText);

}  // namespace pal::wmi
