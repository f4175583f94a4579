// Error codes that the native operations report to Java, and the mapping of HRESULTs onto them.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

// 0 is success; any other value is a Win32 error number or a failed HRESULT passed on unchanged.
using ErrorCode = int32_t;

constexpr ErrorCode kSuccess = 0;
constexpr ErrorCode kInvalidParameter = 87;   // ERROR_INVALID_PARAMETER
constexpr ErrorCode kProcNotFound = 127;      // ERROR_PROC_NOT_FOUND
constexpr ErrorCode kOutOfMemory = 14;        // ERROR_OUTOFMEMORY
constexpr ErrorCode kInvalidDatatype = 1804;  // ERROR_INVALID_DATATYPE
constexpr ErrorCode kObjectNotFound = 4312;   // ERROR_OBJECT_NOT_FOUND
constexpr ErrorCode kNestingTooDeep = 1001;   // ERROR_STACK_OVERFLOW: objects embedded too deeply
constexpr ErrorCode kEndOfResultSet = -1;

// A failed HRESULT of the Win32 facility becomes its Win32 error number (its low 16 bits); any
// other value is passed on unchanged.
constexpr ErrorCode HResultToCode(HRESULT hr)
{
    const auto bits = static_cast<uint32_t>(hr);
    if (hr < 0 && ((bits >> 16) & 0x1FFF) == 7) {
        return static_cast<ErrorCode>(bits & 0xFFFF);
    }
    return static_cast<ErrorCode>(hr);
}

}  // namespace wmibridge
