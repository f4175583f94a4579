#include "win32/system_messages.h"

#include <algorithm>
#include <iterator>

namespace pal::win32 {
namespace {

struct Entry {
    DWORD id;
    const char16_t* text;
};

// Sorted by identifier (as unsigned numbers).
constexpr Entry kMessages[] = {
    {ERROR_SUCCESS, u"The operation finished without error."},
    {ERROR_INVALID_FUNCTION, u"The function asked for is not valid here."},
    {ERROR_FILE_NOT_FOUND, u"No file or key of that name could be found."},
    {ERROR_PATH_NOT_FOUND, u"No path of that name could be found."},
    {ERROR_ACCESS_DENIED, u"Permission was refused."},
    {ERROR_INVALID_HANDLE, u"The handle given is not a valid one."},
    {ERROR_NOT_ENOUGH_MEMORY, u"There was not enough memory to carry out the command."},
    {ERROR_OUTOFMEMORY, u"There was not enough memory to finish the operation."},
    {ERROR_NOT_SUPPORTED, u"This request is not supported."},
    {ERROR_BAD_NETPATH, u"The network path could not be reached."},
    {ERROR_INVALID_PARAMETER, u"A parameter given is not valid."},
    {ERROR_INSUFFICIENT_BUFFER, u"The buffer given to the call is too small for the data."},
    {ERROR_MOD_NOT_FOUND, u"The module asked for could not be found."},
    {ERROR_PROC_NOT_FOUND, u"The procedure asked for could not be found."},
    {ERROR_BAD_PATHNAME, u"The path given is not valid."},
    {ERROR_BAD_EXE_FORMAT, u"The file is not a module that can be loaded."},
    {ERROR_ENVVAR_NOT_FOUND, u"The environment variable could not be found."},
    {ERROR_MORE_DATA, u"More data is waiting to be read."},
    {ERROR_NO_MORE_ITEMS, u"There are no more items to return."},
    {ERROR_MR_MID_NOT_FOUND, u"No text exists for this message number in the message file."},
    {ERROR_STACK_OVERFLOW, u"The nesting went too deep; the stack would overflow."},
    {ERROR_INVALID_FLAGS, u"The flags given are not valid."},
    {ERROR_NO_TOKEN, u"No token was found to act on."},
    {ERROR_BADKEY, u"The registry key given is not valid."},
    {ERROR_NO_SUCH_LOGON_SESSION, u"The logon session named does not exist; it may have ended."},
    {ERROR_NO_SUCH_USER, u"The user account named does not exist."},
    {ERROR_LOGON_FAILURE, u"Logon refused: the user name is unknown or the password is wrong."},
    {ERROR_ACCOUNT_RESTRICTION, u"Logon refused because of a restriction on the account."},
    {ERROR_ACCOUNT_DISABLED, u"Logon refused: the account is disabled."},
    {ERROR_BAD_IMPERSONATION_LEVEL, u"The impersonation level asked for is missing or not valid."},
    {ERROR_BAD_TOKEN_TYPE, u"The token is not of a type that this operation accepts."},
    {RPC_S_SERVER_UNAVAILABLE, u"The remote procedure call server could not be reached."},
    {RPC_S_BINDING_HAS_NO_AUTH, u"The binding carries no authentication information."},
    {ERROR_INVALID_DATATYPE, u"The data type given is not valid."},
    {ERROR_RESOURCE_DATA_NOT_FOUND, u"The module holds no data of the kind asked for."},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, u"The module holds no resource of the type asked for."},
    {ERROR_RESOURCE_LANG_NOT_FOUND, u"The module holds no resource in the language asked for."},
    {ERROR_ACCOUNT_LOCKED_OUT, u"Logon refused: the account is locked out."},
    {ERROR_BAD_USERNAME, u"The user name given is not valid."},
    {ERROR_OBJECT_NOT_FOUND, u"The object named could not be found."},
    {static_cast<DWORD>(E_NOTIMPL), u"This function is not implemented."},
    {static_cast<DWORD>(E_NOINTERFACE), u"The object does not offer the interface asked for."},
    {static_cast<DWORD>(E_POINTER), u"A pointer given is not valid."},
    {static_cast<DWORD>(E_ABORT), u"The operation was cancelled."},
    {static_cast<DWORD>(E_FAIL), u"The operation failed for an unnamed reason."},
    {static_cast<DWORD>(E_UNEXPECTED), u"An unexpected failure happened."},
    {static_cast<DWORD>(RPC_E_CHANGED_MODE), u"The thread was already set up for another concurrency model."},
    {static_cast<DWORD>(RPC_E_TOO_LATE), u"Security settings can no longer be changed in this process."},
    {static_cast<DWORD>(RPC_E_NO_GOOD_SECURITY_PACKAGES), u"None of the security packages is usable."},
    {static_cast<DWORD>(DISP_E_TYPEMISMATCH), u"The types do not match."},
    {static_cast<DWORD>(DISP_E_BADVARTYPE), u"The variant type is not valid."},
    {static_cast<DWORD>(DISP_E_OVERFLOW), u"The value does not fit the target type."},
    {static_cast<DWORD>(DISP_E_BADINDEX), u"The index is out of range."},
    {static_cast<DWORD>(DISP_E_ARRAYISLOCKED), u"The array is locked and cannot be changed."},
    {static_cast<DWORD>(CLASS_E_NOAGGREGATION), u"This class cannot be created as part of an aggregate."},
    {static_cast<DWORD>(REGDB_E_CLASSNOTREG), u"No class is registered under this identifier."},
    {static_cast<DWORD>(CO_E_NOTINITIALIZED), u"COM has not been initialised on this thread."},
};

constexpr bool SortedById()
{
    for (size_t i = 1; i < std::size(kMessages); ++i) {
        if (kMessages[i - 1].id >= kMessages[i].id) {
            return false;
        }
    }
    return true;
}
static_assert(SortedById(), "the message table is searched by halving");

const char16_t* Find(DWORD id)
{
    const auto found = std::lower_bound(std::begin(kMessages), std::end(kMessages), id,
                                        [](const Entry& entry, DWORD key) { return entry.id < key; });
    return found != std::end(kMessages) && found->id == id ? found->text : nullptr;
}

}  // namespace

const char16_t* SystemMessage(DWORD id)
{
    constexpr DWORD kWin32Facility = 0x80070000;
    if ((id & 0xFFFF0000) == kWin32Facility) {
        return Find(id & 0xFFFF);
    }
    return Find(id);
}

}  // namespace pal::win32
