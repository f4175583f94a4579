// The data of one class object or instance: its class, its values and where it lives. Plain C++
// data: the repository stores these, and every COM object handed out owns its own copy.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "repository/schema.h"
#include "repository/value.h"

namespace pal::wmi {

// Objects nest at most this many levels deep: the outermost object is level 1, an object embedded
// in it level 2, and so on. Put refuses an embedded object that would nest deeper, and so does the
// MOF loader, so that every walk down embedded objects (releasing them, copying them into
// VARIANTs, the libraries' property listing, which reads the same number of levels) stays short.
constexpr int kMaxObjectLevels = 64;

// Objects embedded in one object, counted as often as each is reached: a snapshot held by two
// values counts twice. Within the level limit, sharing could otherwise make a tree that every
// walk reads exponentially many times; WMI itself copies each embedded object into its parent.
constexpr int64_t kMaxEmbeddedObjects = 100'000;

struct ObjectData {
    std::shared_ptr<const ClassDef> cls;
    bool isClass = false;
    std::vector<Value> values;  // one per cls->properties
    // Where the object lives; both empty for an object that no repository holds (a spawned
    // instance, a method's parameters).
    std::u16string server;
    std::u16string nsPath;
    // Levels of objects embedded below this one (0 for none), as counted when this data became a
    // snapshot held by a value; so that nesting one more level needs no walk down the others.
    int nestedLevels = 0;
    // Objects embedded below this one, each counted once per value that reaches it; as
    // nestedLevels, counted when the data became a snapshot.
    int64_t nestedObjects = 0;

    // The class object itself: its values are the properties' defaults.
    static ObjectData ForClass(std::shared_ptr<const ClassDef> cls, std::u16string server,
                               std::u16string nsPath);
    // A new instance: the class's defaults, no location.
    static ObjectData NewInstance(std::shared_ptr<const ClassDef> cls);

    // `Class.Key="v",K2=5`, `Class=@` or, for a class object, the class name; empty when a key
    // is NULL or not part of the object.
    std::u16string RelativePath() const;
    // The part of an instance's relative path after the class name: `Key="v",K2=5`, or `@` for a
    // singleton; empty when RelativePath is.
    std::u16string KeyValuesText() const;
    // `\\SERVER\ns:relpath`, empty when the object has no location or no relative path.
    std::u16string FullPath() const;
};

// The snapshot of `data` that a value holds as an embedded object, its nested levels and objects
// counted; null when `data` nests too deep to be embedded in another object within
// kMaxObjectLevels, or holds more than kMaxEmbeddedObjects.
std::shared_ptr<const ObjectData> EmbeddedSnapshot(ObjectData data);

// Text of a key value inside an object path: strings and references quoted with `\"` and `\\`
// escaped, numbers in decimal, booleans TRUE/FALSE.
std::u16string KeyValueText(const Value& value);

}  // namespace pal::wmi
