// Builds one instance of a class from values read on the host: each setter converts its value to
// what WMI hands out for the property's CIM type (uint64 and datetime as text). A value that the
// host could not give is left NULL. The first failure of a Put is kept and answered by Finish.
#pragma once

#include <wbemidl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "owners.h"
#include "services/instance_providers.h"

namespace pal::live {

class InstanceBuilder {
public:
    // An instance of the requested class that reports the request's server and namespace in
    // __SERVER, __NAMESPACE and __PATH.
    explicit InstanceBuilder(const services::InstanceRequest& request);

    void Text(const char16_t* name, std::optional<std::u16string_view> value);
    void Unsigned32(const char16_t* name, std::optional<std::uint64_t> value);
    void Signed32(const char16_t* name, std::optional<std::int64_t> value);
    void Unsigned64(const char16_t* name, std::optional<std::uint64_t> value);
    void Boolean(const char16_t* name, bool value);
    void Texts(const char16_t* name, const std::vector<std::u16string>& values);

    // The instance, or the first failure (WBEM_E_OUT_OF_MEMORY, a type mismatch in the class).
    HRESULT Finish(wmi::ObjectPtr& instance);
    // Finish, the instance appended to `instances`.
    HRESULT FinishInto(std::vector<wmi::ObjectPtr>& instances);

private:
    void Put(const char16_t* name, VARIANT* value);

    wmi::ObjectPtr instance_;
    HRESULT status_;
    std::u16string server_;
    std::u16string nameSpace_;
};

}  // namespace pal::live
