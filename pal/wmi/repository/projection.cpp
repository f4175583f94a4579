// Objects limited to a query's property list.
#include "repository/class_object.h"
#include "repository/names.h"
#include "repository/repository.h"
#include "repository/system_properties.h"

namespace pal::wmi {

HRESULT ProjectObject(IWbemClassObject* source, const std::vector<std::u16string>& propertyNames,
                      IWbemClassObject** projection)
{
    const ClassObject* object = AsEmulatorObject(source);
    if (object == nullptr || projection == nullptr) {
        return WBEM_E_INVALID_PARAMETER;
    }
    const ObjectData& data = object->Data();
    auto cls = std::make_shared<ClassDef>(*data.cls);
    cls->properties.clear();
    ObjectData projected;
    projected.isClass = data.isClass;
    projected.server = data.server;
    projected.nsPath = data.nsPath;
    for (size_t i = 0; i < data.cls->properties.size(); ++i) {
        bool selected = false;
        for (const auto& name : propertyNames) {
            selected = selected || name == u"*" || NamesEqual(name, data.cls->properties[i].name);
        }
        if (selected) {
            cls->properties.push_back(data.cls->properties[i]);
            projected.values.push_back(data.values[i]);
        }
    }
    for (const auto& name : propertyNames) {
        if (name != u"*" && !IsSystemPropertyName(name) && data.cls->FindProperty(name) < 0) {
            return WBEM_E_NOT_FOUND;
        }
    }
    // keyNames stay those of the full class: without every key the object has no path.
    projected.cls = std::move(cls);
    *projection = ClassObject::Create(std::move(projected));
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::wmi
