// Visibility of the emulator's internal C++ API: winpal hides its symbols by default, but the
// emulator's own tests call these classes and functions directly.
#pragma once

#define PAL_INTERNAL_API __attribute__((visibility("default")))
