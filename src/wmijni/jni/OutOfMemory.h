// The one Java exception the native side raises: java/lang/OutOfMemoryError, when a handle cell
// or an element buffer cannot be allocated. The message names the export and a fixed line number
// per export, so that a report from the field points at the allocation that failed.
//
// The "line" numbers below are not lines of this code and never were meant to follow it: they are
// part of a stable message format ("Raised from <export> @line <n>") that callers and the reports
// they collect match on. Keep each number as it is when code moves; a new export takes a new one.
#pragma once

#include <jni.h>

namespace wmibridge {

namespace oom_line {
constexpr int kServiceConnectServer = 281;
constexpr int kServiceExecQuery = 343;
constexpr int kServiceGetObject = 403;
constexpr int kServiceGetMethod = 464;
constexpr int kObjectGetPropertyObject = 582;
constexpr int kObjectPutPropertyBooleanArray = 906;
constexpr int kObjectPutPropertyStringArray = 1083;
constexpr int kObjectGetInstance = 1176;
constexpr int kObjectEnumNextObject = 1253;
constexpr int kMethodGetInputProperties = 1343;
constexpr int kMethodExecuteMth = 1407;
// Exports of WmiExtensions number theirs from 2001 on, clear of the lines above.
constexpr int kServiceExecQueryStreaming = 2001;
constexpr int kObjectStreamNextBatch = 2002;
constexpr int kServiceExecNotificationQuery = 2003;
}  // namespace oom_line

// Throws java/lang/OutOfMemoryError "Raised from <exportName> @line <line>". Does nothing when the
// class cannot be found. Returns normally; Java sees the exception when the export returns.
void ThrowOutOfMemory(JNIEnv* env, const char* exportName, int line) noexcept;

}  // namespace wmibridge
