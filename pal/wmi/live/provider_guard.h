// No C++ exception may leave a method provider: the service answers with the HRESULT.
#pragma once

#include <new>

#include "services/method_providers.h"

namespace pal::live {

template <services::MethodProvider provider>
HRESULT Guarded(const services::MethodCall& call)
{
    try {
        return provider(call);
    } catch (const std::bad_alloc&) {
        return WBEM_E_OUT_OF_MEMORY;
    } catch (...) {
        return WBEM_E_PROVIDER_FAILURE;
    }
}

}  // namespace pal::live
