// WMI object paths, as IWbemServices::GetObject receives them:
//
//   [\\server\namespace:]Class                   a class
//   [namespace:]Class.Key="v"                    an instance by its key
//   Class.K1="a",K2=5                            several keys
//   Class="v"                                    the one key of a class, without its name
//   Class=@                                      a singleton
//
// Slashes may stand for backslashes in the server and namespace part ("//./root/cimv2:C").
// Key values: strings in double or single quotes, where \" \' and \\ stand for the character
// after the backslash (any other backslash is kept as it is); decimal integers, optionally
// negative; TRUE and FALSE.
//
// Key values are held as VARIANTs: strings as VT_BSTR; integers as VT_I4 when they fit in 32
// bits, otherwise (up to the range of sint64 and uint64) as VT_BSTR holding the decimal text, the
// way WMI hands out 64-bit values; TRUE/FALSE as VT_BOOL. Compare them with KeyValueEquals, which
// knows these forms.
#pragma once

#include <wbemidl.h>

#include <string>
#include <string_view>
#include <vector>

#include "wql/api.h"
#include "owners.h"

namespace pal::wql {

struct PathKey {
    std::u16string name;  // empty when the path gives the value alone (Class="v")
    OwnedVariant value;
};

struct ObjectPath {
    std::u16string server;     // "." or a host name; empty without the \\server part
    std::u16string nameSpace;  // backslash-separated ("root\cimv2"); empty without a namespace
    std::u16string className;
    bool singleton = false;     // Class=@
    std::vector<PathKey> keys;  // in the order written

    bool IsClassPath() const { return !singleton && keys.empty(); }
};

// S_OK and the parsed path; WBEM_E_INVALID_OBJECT_PATH when the text is not a path (path is then
// empty); WBEM_E_OUT_OF_MEMORY.
PAL_WQL_API HRESULT ParseObjectPath(std::u16string_view text, ObjectPath& path) noexcept;

// Whether a key value of a path designates a property value as IWbemClassObject::Get gives it
// (value and CIM type): strings, datetimes and references ignore case; numbers compare by value,
// whether the key or the property holds them as text (64-bit) or as integers, and a quoted number
// matches a numeric property; booleans accept TRUE/FALSE and 1/0. A NULL property value matches
// nothing. S_OK, or WBEM_E_OUT_OF_MEMORY.
PAL_WQL_API HRESULT KeyValueEquals(const VARIANT& key, const VARIANT& property, CIMTYPE type,
                                   bool& equal) noexcept;

// KeyValueEquals for the named key property of an object. The key must carry its name (give the
// name of the class's key property to a key written without one; without a name the result is
// WBEM_E_INVALID_PARAMETER). A property the object lacks gives WBEM_E_INVALID_OBJECT_PATH.
PAL_WQL_API HRESULT KeyMatches(const PathKey& key, IWbemClassObject* object, bool& matches) noexcept;

}  // namespace pal::wql
