// Linkage of the query and object-path functions: compiled into winpal, whose symbols are hidden
// by default, and called directly by the services part and by the emulator's tests.
#pragma once

#define PAL_WQL_API __attribute__((visibility("default")))
