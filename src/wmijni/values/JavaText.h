// Property values as Java strings: one string for a scalar, one string per element added to a
// Java collection for an array.
#pragma once

#include <jni.h>

#include "platform/platform.h"
#include "values/ValueText.h"
#include "wmi/ErrorCodes.h"

namespace wmibridge {

// A new Java string with the characters of `text`; null when the JVM could not make it.
jstring NewJavaString(JNIEnv* env, const ValueText& text) noexcept;

// A new Java string with the value's text, or null when the value has no text (or the string
// could not be made).
jstring VariantToJString(JNIEnv* env, const VARIANT* value) noexcept;

// Adds the value to the collection through its add(Object): nothing for VT_NULL and VT_EMPTY, each
// element in order for an array, otherwise one string (null for a value without text). 127 when
// the collection has no add(Object), 1804 for an array whose elements have no text. Stops at once
// when add throws, leaving the exception pending for the Java caller.
ErrorCode AddVariantValues(JNIEnv* env, const VARIANT* value, jobject collection) noexcept;

}  // namespace wmibridge
