#include "repository/object_data.h"

#include <algorithm>

#include "repository/cim_types.h"
#include "repository/names.h"

namespace pal::wmi {
namespace {

std::vector<Value> Defaults(const ClassDef& cls)
{
    std::vector<Value> values;
    values.reserve(cls.properties.size());
    for (const auto& property : cls.properties) {
        values.push_back(property.defaultValue);
    }
    return values;
}

std::u16string QuotedText(std::u16string_view text)
{
    std::u16string quoted = u"\"";
    for (char16_t c : text) {
        if (c == u'"' || c == u'\\') {
            quoted.push_back(u'\\');
        }
        quoted.push_back(c);
    }
    quoted.push_back(u'"');
    return quoted;
}

// Levels below an object (one more than the deepest of the snapshots its values hold) and the
// objects below it, each counted once per value that reaches it. The count stops growing past the
// limit, so that it cannot overflow however much is shared.
void CountNested(ObjectData& data)
{
    int levels = 0;
    int64_t objects = 0;
    const auto count = [&levels, &objects](const Scalar& scalar) {
        if (const auto* object = std::get_if<std::shared_ptr<const ObjectData>>(&scalar)) {
            if (*object != nullptr) {
                levels = std::max(levels, (*object)->nestedLevels + 1);
                objects = std::min(objects + 1 + (*object)->nestedObjects, kMaxEmbeddedObjects + 1);
            }
        }
    };
    for (const Value& value : data.values) {
        if (value.shape == Value::Shape::Single) {
            count(value.scalar);
        }
        if (value.shape == Value::Shape::List) {
            for (const Scalar& element : value.elements) {
                count(element);
            }
        }
    }
    data.nestedLevels = levels;
    data.nestedObjects = objects;
}

}  // namespace

std::shared_ptr<const ObjectData> EmbeddedSnapshot(ObjectData data)
{
    CountNested(data);
    // Embedded, the object is at level 2 at least and its deepest object that many levels lower;
    // it and the objects below it are that many more objects in whatever holds it.
    if (2 + data.nestedLevels > kMaxObjectLevels || 1 + data.nestedObjects > kMaxEmbeddedObjects) {
        return nullptr;
    }
    return std::make_shared<const ObjectData>(std::move(data));
}

ObjectData ObjectData::ForClass(std::shared_ptr<const ClassDef> cls, std::u16string server,
                                std::u16string nsPath)
{
    ObjectData data;
    data.values = Defaults(*cls);
    data.cls = std::move(cls);
    data.isClass = true;
    data.server = std::move(server);
    data.nsPath = std::move(nsPath);
    return data;
}

ObjectData ObjectData::NewInstance(std::shared_ptr<const ClassDef> cls)
{
    ObjectData data;
    data.values = Defaults(*cls);
    data.cls = std::move(cls);
    return data;
}

std::u16string KeyValueText(const Value& value)
{
    if (value.shape != Value::Shape::Single) {
        return {};
    }
    if (const auto* text = std::get_if<std::u16string>(&value.scalar)) {
        return QuotedText(*text);
    }
    if (const auto* flag = std::get_if<bool>(&value.scalar)) {
        return *flag ? u"TRUE" : u"FALSE";
    }
    if (const auto* number = std::get_if<std::int64_t>(&value.scalar)) {
        return Widen(std::to_string(*number));
    }
    if (const auto* unsignedNumber = std::get_if<std::uint64_t>(&value.scalar)) {
        return Widen(std::to_string(*unsignedNumber));
    }
    return {};
}

std::u16string ObjectData::RelativePath() const
{
    if (isClass) {
        return cls->name;
    }
    const std::u16string keys = KeyValuesText();
    if (keys.empty()) {
        return {};
    }
    return cls->name + (cls->keyNames.empty() ? u"=" : u".") + keys;
}

std::u16string ObjectData::KeyValuesText() const
{
    if (cls->singleton && cls->keyNames.empty()) {
        return u"@";
    }
    if (cls->keyNames.empty()) {
        return {};
    }
    std::vector<std::u16string> keys = cls->keyNames;
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return NameLess(a, b); });
    std::u16string text;
    for (size_t i = 0; i < keys.size(); ++i) {
        const int index = cls->FindProperty(keys[i]);
        if (index < 0 || values[index].IsNull()) {
            return {};
        }
        const std::u16string value = KeyValueText(values[index]);
        if (value.empty()) {
            return {};
        }
        if (i > 0) {
            text += u",";
        }
        text += cls->properties[index].name + u"=" + value;
    }
    return text;
}

std::u16string ObjectData::FullPath() const
{
    if (server.empty() || nsPath.empty()) {
        return {};
    }
    const std::u16string relative = RelativePath();
    if (relative.empty()) {
        return {};
    }
    return u"\\\\" + server + u"\\" + nsPath + u":" + relative;
}

}  // namespace pal::wmi
