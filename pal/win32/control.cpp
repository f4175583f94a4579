// The test controls of pal/win32_control.h that concern the whole Win32 side and the registry.
#include <pal/testing.h>
#include <pal/win32_control.h>

#include <optional>

#include "base/text.h"
#include "com_boundary.h"
#include "win32/registry.h"
#include "win32/reset.h"

namespace {

using pal::FromUtf8;
using pal::win32::RegistryRoot;

std::optional<RegistryRoot> RootOf(int root)
{
    if (root < 0 || root >= pal::win32::kRegistryRootCount) {
        return std::nullopt;
    }
    return static_cast<RegistryRoot>(root);
}

std::shared_ptr<pal::win32::Registry> RegistryOf(const char* host)
{
    return pal::win32::RegistryOfHost(FromUtf8(host));
}

// Sets a value of an existing key; false for an unknown root or key.
BOOL SetValue(const char* host, int root, const char* keyPath, const char* name,
              pal::win32::RegistryValue value)
{
    const std::optional<RegistryRoot> known = RootOf(root);
    if (!known) {
        return FALSE;
    }
    return RegistryOf(host)->SetValue(*known, FromUtf8(keyPath), FromUtf8(name), std::move(value)) ? TRUE
                                                                                                   : FALSE;
}

}  // namespace

PALAPI void PalWin32ResetAll(void)
{
    pal::win32::ResetEnvironment();
    pal::win32::ResetMessageModules();
    pal::win32::ResetRegistryState();
    pal::win32::ResetSecurity();
    PalSetWindowsVersion(6, 2, 9200);
}

PALAPI BOOL PalWin32RegCreateKey(const char* host, int root, const char* keyPath)
try {
    const std::optional<RegistryRoot> known = RootOf(root);
    const std::u16string path = FromUtf8(keyPath);
    if (!known || path.empty()) {
        return FALSE;
    }
    return RegistryOf(host)->CreateKey(*known, path) ? TRUE : FALSE;
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL PalWin32RegSetString(const char* host, int root, const char* keyPath, const char* name,
                                 const char* value)
try {
    pal::win32::RegistryValue text;
    text.type = REG_SZ;
    text.text = FromUtf8(value);
    return SetValue(host, root, keyPath, name, std::move(text));
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL PalWin32RegSetDword(const char* host, int root, const char* keyPath, const char* name,
                                DWORD value)
try {
    pal::win32::RegistryValue number;
    number.type = REG_DWORD;
    number.number = value;
    return SetValue(host, root, keyPath, name, std::move(number));
} catch (...) {
    return pal::CaughtBoolError();
}

PALAPI BOOL PalWin32RegDenyRead(const char* host, int root, const char* keyPath, const char* account)
try {
    const std::optional<RegistryRoot> known = RootOf(root);
    if (!known) {
        return FALSE;
    }
    return RegistryOf(host)->DenyRead(*known, FromUtf8(keyPath),
                                      pal::win32::ParseAccountName(FromUtf8(account)))
               ? TRUE
               : FALSE;
} catch (...) {
    return pal::CaughtBoolError();
}
