// Compares two WMI objects the way a caller sees them: every non-system property with its CIM type,
// flavor and value (arrays element by element, reals bit for bit, embedded objects recursively),
// every qualifier of the object and of each property with its flavor, and, for classes, every
// method with its in and out signatures.
#pragma once

#include <wbemidl.h>

#include <string>
#include <vector>

namespace capture_test {

// One line per difference, each starting with where it is (`Name.Property[2].Inner`); empty when
// the objects read the same.
std::vector<std::string> Differences(IWbemClassObject* expected, IWbemClassObject* actual,
                                     const std::string& where);

// UTF-8 of a UTF-16 text, for messages.
std::string Narrow(std::u16string_view text);

}  // namespace capture_test
