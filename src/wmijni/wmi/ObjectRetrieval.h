// Object handles obtained without a query: by path from a session, as a new instance of a class
// object, and as the embedded object held by a property.
#pragma once

#include "platform/platform.h"
#include "wmi/ErrorCodes.h"
#include "wmi/WmiObject.h"
#include "wmi/WmiService.h"

namespace wmibridge {

// IWbemServices::GetObject of a class name or an instance path, passed to WMI unchanged. 4312
// when WMI reports success without an object.
bool ServiceGetObject(const CRefPtr<CWmiService>& session, const WCHAR* path, CRefPtr<CWmiObject>& out,
                      ErrorCode& code) noexcept;

// A new, unsaved instance of the handle's class object.
bool ObjectSpawnInstance(const CRefPtr<CWmiObject>& object, CRefPtr<CWmiObject>& out,
                         ErrorCode& code) noexcept;

// The embedded object of a property. A NULL value succeeds with `out` left empty; a value of
// another type gives 87, an embedded value without an object 4312.
bool ObjectGetPropertyObject(const CRefPtr<CWmiObject>& object, const WCHAR* name, CRefPtr<CWmiObject>& out,
                             ErrorCode& code) noexcept;

}  // namespace wmibridge
