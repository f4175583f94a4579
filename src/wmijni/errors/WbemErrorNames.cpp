#include "errors/WbemErrorNames.h"

#include <array>
#include <initializer_list>

namespace wmibridge {
namespace {

constexpr size_t kSlots = 256;
using NameTable = std::array<const WCHAR*, kSlots>;

// The table, worked out by the compiler: the published names of 0x80041001 to 0x8004108A, in runs
// of consecutive codes. The codes between the runs (0x4A-0x4F, 0x5E, 0x7B-0x7F) and everything
// above 0x8A have no name; index 0 has the empty name.
constexpr NameTable BuildNames() noexcept
{
    NameTable names{};
    names[0x00] = W("");
    const auto Fill = [&names](size_t first, std::initializer_list<const WCHAR*> run) {
        size_t index = first;
        for (const WCHAR* name : run) {
            names[index++] = name;
        }
    };
    Fill(0x01, {
                   W("WBEM_E_FAILED"),
                   W("WBEM_E_NOT_FOUND"),
                   W("WBEM_E_ACCESS_DENIED"),
                   W("WBEM_E_PROVIDER_FAILURE"),
                   W("WBEM_E_TYPE_MISMATCH"),
                   W("WBEM_E_OUT_OF_MEMORY"),
                   W("WBEM_E_INVALID_CONTEXT"),
                   W("WBEM_E_INVALID_PARAMETER"),
                   W("WBEM_E_NOT_AVAILABLE"),
                   W("WBEM_E_CRITICAL_ERROR"),
                   W("WBEM_E_INVALID_STREAM"),
                   W("WBEM_E_NOT_SUPPORTED"),
                   W("WBEM_E_INVALID_SUPERCLASS"),
                   W("WBEM_E_INVALID_NAMESPACE"),
                   W("WBEM_E_INVALID_OBJECT"),
                   W("WBEM_E_INVALID_CLASS"),
                   W("WBEM_E_PROVIDER_NOT_FOUND"),
                   W("WBEM_E_INVALID_PROVIDER_REGISTRATION"),
                   W("WBEM_E_PROVIDER_LOAD_FAILURE"),
                   W("WBEM_E_INITIALIZATION_FAILURE"),
                   W("WBEM_E_TRANSPORT_FAILURE"),
                   W("WBEM_E_INVALID_OPERATION"),
                   W("WBEM_E_INVALID_QUERY"),
                   W("WBEM_E_INVALID_QUERY_TYPE"),
                   W("WBEM_E_ALREADY_EXISTS"),
                   W("WBEM_E_OVERRIDE_NOT_ALLOWED"),
                   W("WBEM_E_PROPAGATED_QUALIFIER"),
                   W("WBEM_E_PROPAGATED_PROPERTY"),
                   W("WBEM_E_UNEXPECTED"),
                   W("WBEM_E_ILLEGAL_OPERATION"),
                   W("WBEM_E_CANNOT_BE_KEY"),
                   W("WBEM_E_INCOMPLETE_CLASS"),
                   W("WBEM_E_INVALID_SYNTAX"),
                   W("WBEM_E_NONDECORATED_OBJECT"),
                   W("WBEM_E_READ_ONLY"),
                   W("WBEM_E_PROVIDER_NOT_CAPABLE"),
                   W("WBEM_E_CLASS_HAS_CHILDREN"),
                   W("WBEM_E_CLASS_HAS_INSTANCES"),
                   W("WBEM_E_QUERY_NOT_IMPLEMENTED"),
                   W("WBEM_E_ILLEGAL_NULL"),
                   W("WBEM_E_INVALID_QUALIFIER_TYPE"),
                   W("WBEM_E_INVALID_PROPERTY_TYPE"),
                   W("WBEM_E_VALUE_OUT_OF_RANGE"),
                   W("WBEM_E_CANNOT_BE_SINGLETON"),
                   W("WBEM_E_INVALID_CIM_TYPE"),
                   W("WBEM_E_INVALID_METHOD"),
                   W("WBEM_E_INVALID_METHOD_PARAMETERS"),
                   W("WBEM_E_SYSTEM_PROPERTY"),
                   W("WBEM_E_INVALID_PROPERTY"),
                   W("WBEM_E_CALL_CANCELLED"),
                   W("WBEM_E_SHUTTING_DOWN"),
                   W("WBEM_E_PROPAGATED_METHOD"),
                   W("WBEM_E_UNSUPPORTED_PARAMETER"),
                   W("WBEM_E_MISSING_PARAMETER_ID"),
                   W("WBEM_E_INVALID_PARAMETER_ID"),
                   W("WBEM_E_NONCONSECUTIVE_PARAMETER_IDS"),
                   W("WBEM_E_PARAMETER_ID_ON_RETVAL"),
                   W("WBEM_E_INVALID_OBJECT_PATH"),
                   W("WBEM_E_OUT_OF_DISK_SPACE"),
                   W("WBEM_E_BUFFER_TOO_SMALL"),
                   W("WBEM_E_UNSUPPORTED_PUT_EXTENSION"),
                   W("WBEM_E_UNKNOWN_OBJECT_TYPE"),
                   W("WBEM_E_UNKNOWN_PACKET_TYPE"),
                   W("WBEM_E_MARSHAL_VERSION_MISMATCH"),
                   W("WBEM_E_MARSHAL_INVALID_SIGNATURE"),
                   W("WBEM_E_INVALID_QUALIFIER"),
                   W("WBEM_E_INVALID_DUPLICATE_PARAMETER"),
                   W("WBEM_E_TOO_MUCH_DATA"),
                   W("WBEM_E_SERVER_TOO_BUSY"),
                   W("WBEM_E_INVALID_FLAVOR"),
                   W("WBEM_E_CIRCULAR_REFERENCE"),
                   W("WBEM_E_UNSUPPORTED_CLASS_UPDATE"),
                   W("WBEM_E_CANNOT_CHANGE_KEY_INHERITANCE"),
               });
    Fill(0x50, {
                   W("WBEM_E_CANNOT_CHANGE_INDEX_INHERITANCE"),
                   W("WBEM_E_TOO_MANY_PROPERTIES"),
                   W("WBEM_E_UPDATE_TYPE_MISMATCH"),
                   W("WBEM_E_UPDATE_OVERRIDE_NOT_ALLOWED"),
                   W("WBEM_E_UPDATE_PROPAGATED_METHOD"),
                   W("WBEM_E_METHOD_NOT_IMPLEMENTED"),
                   W("WBEM_E_METHOD_DISABLED"),
                   W("WBEM_E_REFRESHER_BUSY"),
                   W("WBEM_E_UNPARSABLE_QUERY"),
                   W("WBEM_E_NOT_EVENT_CLASS"),
                   W("WBEM_E_MISSING_GROUP_WITHIN"),
                   W("WBEM_E_MISSING_AGGREGATION_LIST"),
                   W("WBEM_E_PROPERTY_NOT_AN_OBJECT"),
                   W("WBEM_E_AGGREGATING_BY_OBJECT"),
               });
    Fill(0x5F, {
                   W("WBEM_E_UNINTERPRETABLE_PROVIDER_QUERY"),
                   W("WBEM_E_BACKUP_RESTORE_WINMGMT_RUNNING"),
                   W("WBEM_E_QUEUE_OVERFLOW"),
                   W("WBEM_E_PRIVILEGE_NOT_HELD"),
                   W("WBEM_E_INVALID_OPERATOR"),
                   W("WBEM_E_LOCAL_CREDENTIALS"),
                   W("WBEM_E_CANNOT_BE_ABSTRACT"),
                   W("WBEM_E_AMENDED_OBJECT"),
                   W("WBEM_E_CLIENT_TOO_SLOW"),
                   W("WBEM_E_NULL_SECURITY_DESCRIPTOR"),
                   W("WBEM_E_TIMED_OUT"),
                   W("WBEM_E_INVALID_ASSOCIATION"),
                   W("WBEM_E_AMBIGUOUS_OPERATION"),
                   W("WBEM_E_QUOTA_VIOLATION"),
                   W("WBEM_E_RESERVED_001"),
                   W("WBEM_E_RESERVED_002"),
                   W("WBEM_E_UNSUPPORTED_LOCALE"),
                   W("WBEM_E_HANDLE_OUT_OF_DATE"),
                   W("WBEM_E_CONNECTION_FAILED"),
                   W("WBEM_E_INVALID_HANDLE_REQUEST"),
                   W("WBEM_E_PROPERTY_NAME_TOO_WIDE"),
                   W("WBEM_E_CLASS_NAME_TOO_WIDE"),
                   W("WBEM_E_METHOD_NAME_TOO_WIDE"),
                   W("WBEM_E_QUALIFIER_NAME_TOO_WIDE"),
                   W("WBEM_E_RERUN_COMMAND"),
                   W("WBEM_E_DATABASE_VER_MISMATCH"),
                   W("WBEM_E_VETO_DELETE"),
                   W("WBEM_E_VETO_PUT"),
               });
    Fill(0x80, {
                   W("WBEM_E_INVALID_LOCALE"),
                   W("WBEM_E_PROVIDER_SUSPENDED"),
                   W("WBEM_E_SYNCHRONIZATION_REQUIRED"),
                   W("WBEM_E_NO_SCHEMA"),
                   W("WBEM_E_PROVIDER_ALREADY_REGISTERED"),
                   W("WBEM_E_PROVIDER_NOT_REGISTERED"),
                   W("WBEM_E_FATAL_TRANSPORT_ERROR"),
                   W("WBEM_E_ENCRYPTED_CONNECTION_REQUIRED"),
                   W("WBEM_E_PROVIDER_TIMED_OUT"),
                   W("WBEM_E_NO_KEY"),
                   W("WBEM_E_PROVIDER_DISABLED"),
               });
    return names;
}

// Constant-initialised: in the image as it is loaded, with no code run for it.
constinit const NameTable kNames = BuildNames();

}  // namespace

const WCHAR* WbemErrorName(uint32_t code) noexcept
{
    const uint32_t index = code & 0xFFF;
    return index < kSlots ? kNames[index] : nullptr;
}

}  // namespace wmibridge
