// An object's whole property list for Java in one crossing: the listing whose layout
// WmiExtensions describes — names, CIM types with the NULL marker, values as text (or as nested
// listings for embedded objects), and the exact numbers of numeric and boolean values.
#pragma once

#include <jni.h>

#include "platform/platform.h"
#include "wmi/ErrorCodes.h"

namespace wmibridge {

// Levels of objects a listing holds: the object listed is level 1, an object embedded in it level
// 2, and so on. An object deeper than this fails the listing with kNestingTooDeep, so that an
// object that (directly or not) embeds itself cannot exhaust the stack.
constexpr int kMaxListingDepth = 64;

// The listing of `object` with the properties that BeginEnumeration(enumFlags) walks. Null on
// failure, with `code`: the mapped result of a failed WMI call, kNestingTooDeep, or kOutOfMemory
// (when the JVM could not make an array or a string, its exception is then pending).
jobjectArray ListObjectProperties(JNIEnv* env, IWbemClassObject* object, LONG enumFlags,
                                  ErrorCode& code) noexcept;

}  // namespace wmibridge
