// MOF text: loaded (split into tokens and parsed) into an empty repository of its own, which is
// dropped afterwards. Nothing may crash or stay alive.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "repository/repository.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<LONG> baseline = fuzzing::LiveCounts();
    const std::u16string text = fuzzing::Utf16Of(data, size);
    {
        pal::wmi::Repository repository(u"FUZZ");
        std::u16string error;
        const HRESULT hr = repository.LoadMof(text, u"root\\fuzz", &error);
        if (FAILED(hr) == error.empty()) {
            std::abort();  // a failure says why, a success says nothing
        }
    }
    if (fuzzing::LiveCounts() != baseline) {
        std::abort();
    }
    return 0;
}
