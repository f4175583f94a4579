// Object handles obtained without a query: by path from a session, as a new instance of a class
// object, and as the embedded object held by a property.
#pragma once

#include "platform/platform.h"
#include "wmi/ErrorCodes.h"
#include "wmi/WmiObject.h"
#include "wmi/WmiService.h"

namespace wmibridge {

// IWbemServices::GetObject of a class name or an instance path, passed to WMI unchanged.
// kObjectNotFound when WMI reports success without an object.
ErrorCode ServiceGetObject(const CRefPtr<CWmiService>& session, const WCHAR* path,
                           CRefPtr<CWmiObject>& out) noexcept;

// A new, unsaved instance of the handle's class object.
ErrorCode ObjectSpawnInstance(const CRefPtr<CWmiObject>& object, CRefPtr<CWmiObject>& out) noexcept;

// The embedded object of a property. A NULL value succeeds with `out` left empty; a value of
// another type gives kInvalidParameter, an embedded value without an object kObjectNotFound.
ErrorCode ObjectGetPropertyObject(const CRefPtr<CWmiObject>& object, const WCHAR* name,
                                  CRefPtr<CWmiObject>& out) noexcept;

}  // namespace wmibridge
