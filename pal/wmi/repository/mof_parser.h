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

// One MOF text and the name that its errors give: a file's path, or empty.
struct MofSource {
    std::u16string name;
    std::u16string text;
};

// Where and why a load failed: the source's name (empty for a text without one), the line (0
// when the failure concerns no line) and the reason.
struct MofFailure {
    std::u16string source;
    int line = 0;
    std::u16string reason;

    // "name:N: reason", or "line N: reason" for a source without a name.
    std::u16string Text() const;
};

// Applies the declarations of the sources, in order, to `data`, which the caller discards on
// failure; each source starts in `defaultNamespace`. As a fixture a source may declare again a class
// that `data` held before: the new declaration takes the old one's place, the old one's instances
// are dropped, and the class is served from its stored instances (ClassDef::fixture) even where a
// provider serves a class of its name; a class is still declared once per load. On failure the
// result is a failing HRESULT and `failure` tells where and why.
HRESULT ParseMofSources(const std::vector<MofSource>& sources, std::u16string_view defaultNamespace,
                        RepositoryData& data, bool asFixture, MofFailure* failure);

}  // namespace pal::wmi
