// The MOF texts shipped with the emulator, embedded at build time from the files in mof/.
#pragma once

namespace pal::wmi {

struct ShippedMof {
    const char* defaultNamespace;
    const char* text;  // UTF-8
};

// The system classes that every namespace holds.
extern const char* const kSystemMof;  // UTF-8

extern const ShippedMof kShippedMof[];
extern const int kShippedMofCount;

}  // namespace pal::wmi
