// What the live associations share: the instances of a live class as its provider gives them, and
// the full path of an instance, as WMI writes references.
#pragma once

#include <string>

#include "live/live_classes.h"

namespace pal::live {

using Enumerate = HRESULT (*)(const InstanceRequest& request, std::vector<wmi::ObjectPtr>& instances);

// The instances that `enumerate` gives for the class `className` of the request's namespace.
HRESULT InstancesOf(const InstanceRequest& request, const char16_t* className, Enumerate enumerate,
                    std::vector<wmi::ObjectPtr>& instances);
// __PATH of an instance; empty when it has none.
std::u16string PathOf(IWbemClassObject* object);

}  // namespace pal::live
