// WMI object paths: parsed, and every key of a parsed path compared with the values of an
// instance, as GetObject does. A parsed path names a class.
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "wql/object_path.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    pal::wql::ObjectPath path;
    if (FAILED(pal::wql::ParseObjectPath(fuzzing::Utf16Of(data, size), path))) {
        return 0;
    }
    if (path.className.empty()) {
        std::abort();
    }
    for (const pal::wql::PathKey& key : path.keys) {
        for (const CIMTYPE type : {CIM_STRING, CIM_SINT32, CIM_UINT64, CIM_BOOLEAN}) {
            bool equal = false;
            pal::wql::KeyValueEquals(*key.value.Get(), *key.value.Get(), type, equal);
        }
    }
    return 0;
}
