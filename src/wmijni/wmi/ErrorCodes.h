// Error codes that the native operations report to Java, and the mapping of HRESULTs onto them.
#pragma once

#include <cstdint>

#include "platform/platform.h"

namespace wmibridge {

// 0 is success; any other value is a Win32 error number or a failed HRESULT passed on unchanged.
using ErrorCode = int32_t;

constexpr ErrorCode kSuccess = 0;
constexpr ErrorCode kInvalidParameter = ERROR_INVALID_PARAMETER;
constexpr ErrorCode kProcNotFound = ERROR_PROC_NOT_FOUND;
constexpr ErrorCode kOutOfMemory = ERROR_OUTOFMEMORY;
constexpr ErrorCode kInvalidDatatype = ERROR_INVALID_DATATYPE;
constexpr ErrorCode kObjectNotFound = ERROR_OBJECT_NOT_FOUND;
constexpr ErrorCode kNestingTooDeep = ERROR_STACK_OVERFLOW;  // objects embedded too deeply
constexpr ErrorCode kEndOfResultSet = -1;

// A failed HRESULT of the Win32 facility becomes its Win32 error number (its low 16 bits); any
// other value is passed on unchanged.
constexpr ErrorCode HResultToCode(HRESULT hr)
{
    if (FAILED(hr) && HRESULT_FACILITY(hr) == FACILITY_WIN32) {
        return static_cast<ErrorCode>(HRESULT_CODE(hr));
    }
    return static_cast<ErrorCode>(hr);
}

}  // namespace wmibridge
