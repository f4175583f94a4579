// Reading one property, or one qualifier of a property, of a handle's WMI object.
#pragma once

#include "platform/platform.h"
#include "wmi/ErrorCodes.h"
#include "wmi/WmiObject.h"

namespace wmibridge {

// IWbemClassObject::Get into `value`. 87 for an empty handle, 4312 for a wrapper without object,
// else the mapped result of a failed Get (the value is then cleared).
bool ObjectGetProperty(const CRefPtr<CWmiObject>& object, const WCHAR* name, VARIANT* value,
                       ErrorCode& code) noexcept;

// The value of qualifier `qualifier` of property `property`.
bool ObjectGetPropertyQualifier(const CRefPtr<CWmiObject>& object, const WCHAR* property,
                                const WCHAR* qualifier, VARIANT* value, ErrorCode& code) noexcept;

}  // namespace wmibridge
