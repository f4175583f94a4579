#include "repository/value.h"

namespace pal::wmi {

RawVariant::RawVariant()
{
    VariantInit(&value_);
}

RawVariant::~RawVariant()
{
    VariantClear(&value_);
}

std::shared_ptr<const RawVariant> RawVariant::Copy(const VARIANT& value)
{
    std::shared_ptr<RawVariant> copy(new RawVariant());
    if (FAILED(VariantCopy(&copy->value_, &value))) {
        return nullptr;
    }
    return copy;
}

}  // namespace pal::wmi
