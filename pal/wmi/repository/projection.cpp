// Objects limited to a query's property list.
#include "repository/class_object.h"
#include "repository/names.h"
#include "repository/repository.h"
#include "repository/system_properties.h"

namespace pal::wmi {

namespace {

bool NamesLocation(const std::vector<std::u16string>& propertyNames)
{
    for (const auto& name : propertyNames) {
        if (name == u"*" || NamesEqual(name, u"__PATH") || NamesEqual(name, u"__SERVER") ||
            NamesEqual(name, u"__NAMESPACE")) {
            return true;
        }
    }
    return false;
}

}  // namespace

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
    // An object with a select list says where it lives only when the list asks for it: WMI leaves
    // __SERVER, __NAMESPACE and __PATH NULL otherwise.
    projected.isClass = data.isClass;
    if (NamesLocation(propertyNames)) {
        projected.server = data.server;
        projected.nsPath = data.nsPath;
    }
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
        if (name != u"*" && !IsReservedPropertyName(name) && data.cls->FindProperty(name) < 0) {
            return WBEM_E_NOT_FOUND;
        }
    }
    // keyNames stay those of the full class: without every key the object has no path.
    projected.cls = std::move(cls);
    *projection = ClassObject::Create(std::move(projected));
    return WBEM_S_NO_ERROR;
}

}  // namespace pal::wmi
