// The libraries' number text against the C library's printf (in the C locale, which the fuzzer
// never changes): decimal and hexadecimal integers, and reals as "%f".
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "text/NumberText.h"

namespace {

// Compares the units written by the library with the bytes printf wrote.
void Check(const WCHAR* units, std::size_t length, const char* expected)
{
    if (length != std::strlen(expected)) {
        std::abort();
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (units[i] != static_cast<unsigned char>(expected[i])) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, data, size < sizeof(bits) ? size : sizeof(bits));
    using namespace wmibridge::text;

    WCHAR integer[kIntegerTextCapacity];
    char expected[kFixedTextCapacity];
    std::snprintf(expected, sizeof(expected), "%" PRId64, static_cast<std::int64_t>(bits));
    Check(integer, FormatSigned(static_cast<std::int64_t>(bits), integer, kIntegerTextCapacity), expected);
    std::snprintf(expected, sizeof(expected), "%" PRIu64, bits);
    Check(integer, FormatUnsigned(bits, integer, kIntegerTextCapacity), expected);
    std::snprintf(expected, sizeof(expected), "%" PRIX64, bits);
    Check(integer, FormatHexUpper(bits, integer, kIntegerTextCapacity), expected);

    double real = 0;
    std::memcpy(&real, &bits, sizeof(real));
    WCHAR fixed[kFixedTextCapacity];
    std::snprintf(expected, sizeof(expected), "%f", real);
    Check(fixed, FormatFixed6(real, fixed, kFixedTextCapacity), expected);
    // A target one unit too small holds the empty text.
    const std::size_t length = FormatFixed6(real, fixed, kFixedTextCapacity);
    if (FormatFixed6(real, fixed, length) != 0 || fixed[0] != 0) {
        std::abort();
    }
    return 0;
}
