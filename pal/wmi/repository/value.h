// Values of properties and qualifiers as the repository stores them: plain C++ data, so that the
// repository's own objects do not count as live BSTRs or SAFEARRAYs.
#pragma once

#include <oleauto.h>

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace pal::wmi {

struct ObjectData;

// Never held. libstdc++ 12 takes a variant whose alternatives all move without throwing for one
// that is never valueless, and when copying the text alternative throws std::bad_alloc it then
// destroys the alternative it never built. One alternative with a copy constructor of its own keeps
// the variant's check of its index, so a failed copy unwinds cleanly.
struct CopyGuard {
    CopyGuard() = default;
    CopyGuard(const CopyGuard&) noexcept {}
    CopyGuard& operator=(const CopyGuard&) = default;
    bool operator==(const CopyGuard&) const noexcept { return true; }
};

// One scalar: signed integers (and uint8...uint32, char16) as int64, uint64 as uint64, real32 and
// real64 as double, text (string, datetime, reference), and embedded objects as shared snapshots.
using Scalar = std::variant<std::int64_t, std::uint64_t, double, bool, std::u16string,
                            std::shared_ptr<const ObjectData>, struct CopyGuard>;

// A VARIANT stored exactly as a test gave it, whatever its tag.
class RawVariant {
public:
    // Copies the value; null when the copy fails.
    static std::shared_ptr<const RawVariant> Copy(const VARIANT& value);
    ~RawVariant();
    RawVariant(const RawVariant&) = delete;
    RawVariant& operator=(const RawVariant&) = delete;
    const VARIANT& get() const { return value_; }

private:
    RawVariant();
    VARIANT value_;
};

struct Value {
    enum class Shape { Null, Single, List, Raw };

    Shape shape = Shape::Null;
    Scalar scalar;
    std::vector<Scalar> elements;
    std::shared_ptr<const RawVariant> raw;

    static Value MakeNull() { return Value{}; }
    static Value MakeScalar(Scalar s)
    {
        Value v;
        v.shape = Shape::Single;
        v.scalar = std::move(s);
        return v;
    }
    static Value MakeArray(std::vector<Scalar> items)
    {
        Value v;
        v.shape = Shape::List;
        v.elements = std::move(items);
        return v;
    }
    static Value MakeRaw(std::shared_ptr<const RawVariant> r)
    {
        Value v;
        v.shape = Shape::Raw;
        v.raw = std::move(r);
        return v;
    }
    bool IsNull() const { return shape == Shape::Null; }
};

}  // namespace pal::wmi
