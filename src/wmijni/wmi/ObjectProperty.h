// Reading one property, or one qualifier of a property, of a handle's WMI object.
#pragma once

#include "platform/platform.h"
#include "wmi/ErrorCodes.h"
#include "wmi/WmiObject.h"

namespace wmibridge {

// IWbemClassObject::Get into `value`. kInvalidParameter for an empty handle, kObjectNotFound for a
// wrapper without object, else the mapped result of a failed Get (the value is then cleared).
ErrorCode ObjectGetProperty(const CRefPtr<CWmiObject>& object, const WCHAR* name, VARIANT* value) noexcept;

// The value of qualifier `qualifier` of property `property`; failures as for ObjectGetProperty.
ErrorCode ObjectGetPropertyQualifier(const CRefPtr<CWmiObject>& object, const WCHAR* property,
                                     const WCHAR* qualifier, VARIANT* value) noexcept;

}  // namespace wmibridge
