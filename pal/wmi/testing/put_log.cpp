#include "com_boundary.h"
#include "testing/put_log.h"

#include <pal/wmi_raw_values.h>

#include <atomic>
#include <charconv>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "base/names.h"
#include "repository/class_object.h"
#include "repository/internal_api.h"

namespace pal::wmi {
namespace {

struct Entry {
    VARTYPE vt = VT_EMPTY;
    std::string text;
};

struct PutLog {
    std::mutex mutex;
    std::map<std::u16string, Entry> entries;
};

PutLog& Log()
{
    static PutLog log;
    return log;
}

std::atomic<bool> g_recording{false};

void AppendUtf8(std::string& out, const char16_t* text, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const char16_t unit = text[i];
        if (unit < 0x80) {
            out += static_cast<char>(unit);
        } else if (unit < 0x800) {
            out += static_cast<char>(0xC0 | (unit >> 6));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (unit >> 12));
            out += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (unit & 0x3F));
        }
    }
}

template <class T>
void AppendNumber(std::string& out, T value)
{
    char digits[64];
    const auto result = std::to_chars(digits, digits + sizeof(digits), value);
    out.append(digits, result.ptr);
}

// The text of one value of type vt stored at `data`.
void AppendValue(std::string& out, VARTYPE vt, const void* data)
{
    switch (vt) {
    case VT_I1: AppendNumber(out, static_cast<int>(*static_cast<const signed char*>(data))); break;
    case VT_UI1: AppendNumber(out, static_cast<unsigned>(*static_cast<const unsigned char*>(data))); break;
    case VT_I2: AppendNumber(out, *static_cast<const int16_t*>(data)); break;
    case VT_UI2:
    case VT_BOOL: AppendNumber(out, *static_cast<const uint16_t*>(data)); break;
    case VT_I4:
    case VT_INT: AppendNumber(out, *static_cast<const int32_t*>(data)); break;
    case VT_UI4:
    case VT_UINT: AppendNumber(out, *static_cast<const uint32_t*>(data)); break;
    case VT_I8: AppendNumber(out, *static_cast<const int64_t*>(data)); break;
    case VT_UI8: AppendNumber(out, *static_cast<const uint64_t*>(data)); break;
    case VT_R4: AppendNumber(out, *static_cast<const float*>(data)); break;
    case VT_R8: AppendNumber(out, *static_cast<const double*>(data)); break;
    case VT_BSTR: {
        const BSTR text = *static_cast<const BSTR*>(data);
        if (text == nullptr) {
            out += "<null>";
        } else {
            AppendUtf8(out, text, SysStringLen(text));
        }
        break;
    }
    case VT_UNKNOWN:
    case VT_DISPATCH: out += *static_cast<IUnknown* const*>(data) == nullptr ? "<null>" : "<object>"; break;
    default: out += "<?>"; break;
    }
}

std::string Describe(const VARIANT* value)
{
    std::string text;
    const VARTYPE vt = V_VT(value);
    if ((vt & VT_ARRAY) == 0) {
        AppendValue(text, vt, &V_UI1(value));
        return text;
    }
    SAFEARRAY* array = V_ARRAY(value);
    text += '[';
    LONG lower = 0;
    LONG upper = -1;
    void* data = nullptr;
    if (array != nullptr && SUCCEEDED(SafeArrayGetLBound(array, 1, &lower)) &&
        SUCCEEDED(SafeArrayGetUBound(array, 1, &upper)) && SUCCEEDED(SafeArrayAccessData(array, &data))) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (LONG i = 0; i <= upper - lower; ++i) {
            if (i > 0) {
                text += ',';
            }
            AppendValue(text, vt & VT_TYPEMASK, bytes + static_cast<size_t>(i) * array->cbElements);
        }
        SafeArrayUnaccessData(array);
    }
    text += ']';
    return text;
}

}  // namespace

void RecordPut(std::u16string_view name, const VARIANT* value) noexcept
{
    if (!g_recording.load(std::memory_order_relaxed)) {
        return;
    }
    try {
        Entry entry;
        if (value != nullptr) {
            entry.vt = V_VT(value);
            entry.text = Describe(value);
        }
        PutLog& log = Log();
        std::lock_guard lock(log.mutex);
        log.entries[FoldName(name)] = std::move(entry);
    } catch (...) {
        // The log serves tests only; a lost entry shows up there as a missing Put.
    }
}

void RecordPuts(bool on) noexcept
{
    g_recording.store(on, std::memory_order_relaxed);
    SetPutObserver(on ? &RecordPut : nullptr);
    if (!on) {
        ClearPutLog();
    }
}

void ClearPutLog() noexcept
{
    PutLog& log = Log();
    std::lock_guard lock(log.mutex);
    log.entries.clear();
}

}  // namespace pal::wmi

PALAPI BOOL PalWmiLastPut(LPCWSTR property, VARTYPE* type, char* text, ULONG textSize)
try {
    if (property == nullptr) {
        return FALSE;
    }
    pal::wmi::PutLog& log = pal::wmi::Log();
    std::lock_guard lock(log.mutex);
    const auto found = log.entries.find(pal::FoldName(property));
    if (found == log.entries.end()) {
        return FALSE;
    }
    if (type != nullptr) {
        *type = found->second.vt;
    }
    if (text != nullptr && textSize > 0) {
        const size_t length =
            found->second.text.size() < textSize - 1 ? found->second.text.size() : textSize - 1;
        std::memcpy(text, found->second.text.data(), length);
        text[length] = 0;
    }
    return TRUE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI void PalWmiClearPutLog(void)
{
    pal::wmi::ClearPutLog();
}

PALAPI void PalWmiRecordPuts(BOOL on)
{
    pal::wmi::RecordPuts(on != FALSE);
}
