// A listing of WmiObjectListProperties, as the JNI stand-in holds it, read back by property name.
#pragma once

#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "FakeJni.h"

namespace testsupport {

constexpr jint kNullMarker = com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_NULL_MARKER;

struct ListingView {
    std::vector<std::u16string> names;
    std::vector<jint> types;
    std::vector<jobject> values;
    std::vector<jlong> numbers;
    std::vector<jobject> arrayNumbers;

    size_t At(std::u16string_view name) const
    {
        for (size_t i = 0; i < names.size(); ++i) {
            if (names[i] == name) {
                return i;
            }
        }
        throw std::logic_error("no property " + std::string(name.begin(), name.end()) + " in the listing");
    }
    bool Has(std::u16string_view name) const
    {
        for (const auto& listed : names) {
            if (listed == name) {
                return true;
            }
        }
        return false;
    }
    jint Type(std::u16string_view name) const { return types[At(name)]; }
    jlong Number(std::u16string_view name) const { return numbers[At(name)]; }
    jobject Value(std::u16string_view name) const { return values[At(name)]; }
    // A scalar's text; nullopt for a null value slot.
    std::optional<std::u16string> Text(std::u16string_view name) const
    {
        return fakejni::Env::OptionalText(Value(name));
    }
    // The element texts of an array.
    std::vector<std::optional<std::u16string>> Texts(std::u16string_view name) const
    {
        std::vector<std::optional<std::u16string>> texts;
        for (jobject element : fakejni::Env::ObjectArrayOf(Value(name)).elements) {
            texts.push_back(fakejni::Env::OptionalText(element));
        }
        return texts;
    }
    // The element numbers of an array of numbers; empty when the slot is null.
    std::vector<jlong> ElementNumbers(std::u16string_view name) const
    {
        jobject numbersOfArray = arrayNumbers[At(name)];
        return numbersOfArray == nullptr ? std::vector<jlong>{}
                                         : fakejni::Env::ElementsOf<jlong>(numbersOfArray);
    }
    bool HasElementNumbers(std::u16string_view name) const { return arrayNumbers[At(name)] != nullptr; }
};

// Reads a listing: five slots of the documented types, each as long as the names.
inline ListingView ViewOf(jobject listing)
{
    const auto& slots = fakejni::Env::ObjectArrayOf(listing).elements;
    if (slots.size() != com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_SLOTS) {
        throw std::logic_error("a listing has five slots");
    }
    ListingView view;
    const auto& names =
        fakejni::Env::ObjectArrayOf(slots[com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_NAMES]);
    for (jobject name : names.elements) {
        view.names.push_back(fakejni::Env::OptionalText(name).value());
    }
    view.types =
        fakejni::Env::ElementsOf<jint>(slots[com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_TYPES]);
    view.values =
        fakejni::Env::ObjectArrayOf(slots[com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_VALUES])
            .elements;
    view.numbers = fakejni::Env::ElementsOf<jlong>(
        slots[com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_NUMBERS]);
    view.arrayNumbers = fakejni::Env::ObjectArrayOf(
                            slots[com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LISTING_ARRAY_NUMBERS])
                            .elements;
    const size_t count = view.names.size();
    if (view.types.size() != count || view.values.size() != count || view.numbers.size() != count ||
        view.arrayNumbers.size() != count) {
        throw std::logic_error("the slots of a listing differ in length");
    }
    return view;
}

}  // namespace testsupport
