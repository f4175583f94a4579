// The class object GetObject hands out for an empty path: no name, no properties, no location.
#include <new>

#include "repository/class_object.h"
#include "repository/repository.h"

namespace pal::wmi {

IWbemClassObject* NewEmptyClass() noexcept
{
    try {
        return ClassObject::Create(ObjectData::ForClass(std::make_shared<const ClassDef>(), u"", u""));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

}  // namespace pal::wmi
