// Owning pointer to an IWbemClassObject: releases its reference when it goes away.
#pragma once

#include <wbemidl.h>

#include <memory>

namespace pal::wmi {

struct ReleaseObject {
    void operator()(IUnknown* object) const { object->Release(); }
};

using ObjectPtr = std::unique_ptr<IWbemClassObject, ReleaseObject>;

}  // namespace pal::wmi
