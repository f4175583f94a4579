// The registry of each emulated machine: keys under the predefined roots, their values (strings
// and DWORDs) and, per key, the accounts that may not read it. The Win32 registry functions and
// a WMI registry provider serve the same store.
#pragma once

#include <winreg.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#define PAL_WIN32_API __attribute__((visibility("default")))

namespace pal::win32 {

enum class RegistryRoot { ClassesRoot = 0, CurrentUser = 1, LocalMachine = 2, Users = 3 };
constexpr int kRegistryRootCount = 4;

struct RegistryValue {
    DWORD type = REG_SZ;
    std::u16string text;                  // REG_SZ, REG_EXPAND_SZ
    DWORD number = 0;                     // REG_DWORD
    std::uint64_t quad = 0;               // REG_QWORD
    std::vector<std::u16string> texts{};  // REG_MULTI_SZ
    std::vector<std::uint8_t> bytes{};    // REG_BINARY
};

// Who asks: a user name and its domain (empty when not known).
struct AccountName {
    std::u16string domain;
    std::u16string user;
};

// Splits "domain\user", "user@domain" or "user".
PAL_WIN32_API AccountName ParseAccountName(std::u16string_view name);

// Keys nest at most this many levels below a root, as on Windows.
constexpr size_t kMaxRegistryDepth = 512;

// One machine's registry. Key paths are relative to a root, separated by single backslashes and
// compared without regard to ASCII case; an empty path is the root itself, which always exists.
// Keys form a tree, so that the cost of a path grows with its length alone. Thread-safe.
class PAL_WIN32_API Registry {
public:
    Registry() = default;
    ~Registry();
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Creates the key and every key above it; false for a malformed path or one that is more than
    // kMaxRegistryDepth keys deep.
    bool CreateKey(RegistryRoot root, std::u16string_view path);
    bool KeyExists(RegistryRoot root, std::u16string_view path) const;
    // False when the key does not exist. An empty name is the key's default value.
    bool SetValue(RegistryRoot root, std::u16string_view path, std::u16string_view name, RegistryValue value);
    std::optional<RegistryValue> GetValue(RegistryRoot root, std::u16string_view path,
                                          std::u16string_view name) const;
    // Names of the values and of the direct subkeys, as they were created, in case-insensitive order.
    std::vector<std::u16string> ValueNames(RegistryRoot root, std::u16string_view path) const;
    std::vector<std::u16string> SubKeyNames(RegistryRoot root, std::u16string_view path) const;

    // Refuses reading the key to the account (an empty domain stands for every domain). False when
    // the key does not exist.
    bool DenyRead(RegistryRoot root, std::u16string_view path, AccountName account);
    bool MayRead(RegistryRoot root, std::u16string_view path, const AccountName& account) const;

    // Removes a key (not the root) with everything below it; false when it does not exist.
    bool DeleteKey(RegistryRoot root, std::u16string_view path);
    // Removes one value of a key; false when the key or the value does not exist.
    bool DeleteValue(RegistryRoot root, std::u16string_view path, std::u16string_view name);
    // Forgets every key.
    void Clear();

    // Whether a path is well formed: no leading backslash, no empty component. A trailing
    // backslash is tolerated (and dropped by the lookups).
    static bool IsWellFormed(std::u16string_view path);

private:
    struct Key {
        std::u16string name;  // last component as created
        std::map<std::u16string, std::pair<std::u16string, RegistryValue>> values;  // upper-case name
        std::vector<AccountName> readDenied;
        std::map<std::u16string, std::unique_ptr<Key>> subKeys;  // upper-case name
    };

    // Destroys the keys below `key` one at a time, where their destructors would recurse once
    // per level.
    static void DropSubKeys(Key& key);
    const Key* Find(RegistryRoot root, std::u16string_view path) const;
    Key* Find(RegistryRoot root, std::u16string_view path);

    mutable std::mutex mutex_;
    Key roots_[kRegistryRootCount];
};

// Fills a new registry with the keys and values every Windows machine has, that clients read
// (product name, version numbers and build, install date, paths), for the machine of that name.
void SeedStandardKeys(Registry& registry, std::u16string_view computerName);

// The registry of a machine by name; local names (none, ".", "localhost", the machine's own
// name) give the local machine's. Created on first use; lives until ResetRegistries.
PAL_WIN32_API std::shared_ptr<Registry> RegistryOfHost(std::u16string_view host);
PAL_WIN32_API void ResetRegistries();

}  // namespace pal::win32
