// WMI client interfaces, status codes, flags and CIM types.
#pragma once

#include <objbase.h>
#include <oleauto.h>

EXTERN_GUID(CLSID_WbemLocator);
EXTERN_GUID(CLSID_WbemContext);
EXTERN_GUID(IID_IWbemLocator);
EXTERN_GUID(IID_IWbemServices);
EXTERN_GUID(IID_IEnumWbemClassObject);
EXTERN_GUID(IID_IWbemClassObject);
EXTERN_GUID(IID_IWbemQualifierSet);
EXTERN_GUID(IID_IWbemContext);
EXTERN_GUID(IID_IWbemCallResult);
EXTERN_GUID(IID_IWbemObjectSink);

typedef LONG CIMTYPE;

// The status codes have HRESULT as their type, so they compare and convert like any HRESULT.
typedef enum tag_WBEMSTATUS : LONG {
    WBEM_NO_ERROR = 0,
    WBEM_S_NO_ERROR = 0,
    WBEM_S_SAME = 0,
    WBEM_S_FALSE = 1,
    WBEM_S_ALREADY_EXISTS = 0x40001,
    WBEM_S_RESET_TO_DEFAULT = 0x40002,
    WBEM_S_DIFFERENT = 0x40003,
    WBEM_S_TIMEDOUT = 0x40004,
    WBEM_S_NO_MORE_DATA = 0x40005,
    WBEM_S_OPERATION_CANCELLED = 0x40006,
    WBEM_S_PENDING = 0x40007,
    WBEM_S_DUPLICATE_OBJECTS = 0x40008,
    WBEM_S_ACCESS_DENIED = 0x40009,
    WBEM_S_PARTIAL_RESULTS = 0x40010,
    WBEM_S_SOURCE_NOT_AVAILABLE = 0x40017,
    WBEM_E_FAILED = static_cast<LONG>(0x80041001),
    WBEM_E_NOT_FOUND = static_cast<LONG>(0x80041002),
    WBEM_E_ACCESS_DENIED = static_cast<LONG>(0x80041003),
    WBEM_E_PROVIDER_FAILURE = static_cast<LONG>(0x80041004),
    WBEM_E_TYPE_MISMATCH = static_cast<LONG>(0x80041005),
    WBEM_E_OUT_OF_MEMORY = static_cast<LONG>(0x80041006),
    WBEM_E_INVALID_CONTEXT = static_cast<LONG>(0x80041007),
    WBEM_E_INVALID_PARAMETER = static_cast<LONG>(0x80041008),
    WBEM_E_NOT_AVAILABLE = static_cast<LONG>(0x80041009),
    WBEM_E_CRITICAL_ERROR = static_cast<LONG>(0x8004100a),
    WBEM_E_INVALID_STREAM = static_cast<LONG>(0x8004100b),
    WBEM_E_NOT_SUPPORTED = static_cast<LONG>(0x8004100c),
    WBEM_E_INVALID_SUPERCLASS = static_cast<LONG>(0x8004100d),
    WBEM_E_INVALID_NAMESPACE = static_cast<LONG>(0x8004100e),
    WBEM_E_INVALID_OBJECT = static_cast<LONG>(0x8004100f),
    WBEM_E_INVALID_CLASS = static_cast<LONG>(0x80041010),
    WBEM_E_PROVIDER_NOT_FOUND = static_cast<LONG>(0x80041011),
    WBEM_E_INVALID_PROVIDER_REGISTRATION = static_cast<LONG>(0x80041012),
    WBEM_E_PROVIDER_LOAD_FAILURE = static_cast<LONG>(0x80041013),
    WBEM_E_INITIALIZATION_FAILURE = static_cast<LONG>(0x80041014),
    WBEM_E_TRANSPORT_FAILURE = static_cast<LONG>(0x80041015),
    WBEM_E_INVALID_OPERATION = static_cast<LONG>(0x80041016),
    WBEM_E_INVALID_QUERY = static_cast<LONG>(0x80041017),
    WBEM_E_INVALID_QUERY_TYPE = static_cast<LONG>(0x80041018),
    WBEM_E_ALREADY_EXISTS = static_cast<LONG>(0x80041019),
    WBEM_E_OVERRIDE_NOT_ALLOWED = static_cast<LONG>(0x8004101a),
    WBEM_E_PROPAGATED_QUALIFIER = static_cast<LONG>(0x8004101b),
    WBEM_E_PROPAGATED_PROPERTY = static_cast<LONG>(0x8004101c),
    WBEM_E_UNEXPECTED = static_cast<LONG>(0x8004101d),
    WBEM_E_ILLEGAL_OPERATION = static_cast<LONG>(0x8004101e),
    WBEM_E_CANNOT_BE_KEY = static_cast<LONG>(0x8004101f),
    WBEM_E_INCOMPLETE_CLASS = static_cast<LONG>(0x80041020),
    WBEM_E_INVALID_SYNTAX = static_cast<LONG>(0x80041021),
    WBEM_E_NONDECORATED_OBJECT = static_cast<LONG>(0x80041022),
    WBEM_E_READ_ONLY = static_cast<LONG>(0x80041023),
    WBEM_E_PROVIDER_NOT_CAPABLE = static_cast<LONG>(0x80041024),
    WBEM_E_CLASS_HAS_CHILDREN = static_cast<LONG>(0x80041025),
    WBEM_E_CLASS_HAS_INSTANCES = static_cast<LONG>(0x80041026),
    WBEM_E_QUERY_NOT_IMPLEMENTED = static_cast<LONG>(0x80041027),
    WBEM_E_ILLEGAL_NULL = static_cast<LONG>(0x80041028),
    WBEM_E_INVALID_QUALIFIER_TYPE = static_cast<LONG>(0x80041029),
    WBEM_E_INVALID_PROPERTY_TYPE = static_cast<LONG>(0x8004102a),
    WBEM_E_VALUE_OUT_OF_RANGE = static_cast<LONG>(0x8004102b),
    WBEM_E_CANNOT_BE_SINGLETON = static_cast<LONG>(0x8004102c),
    WBEM_E_INVALID_CIM_TYPE = static_cast<LONG>(0x8004102d),
    WBEM_E_INVALID_METHOD = static_cast<LONG>(0x8004102e),
    WBEM_E_INVALID_METHOD_PARAMETERS = static_cast<LONG>(0x8004102f),
    WBEM_E_SYSTEM_PROPERTY = static_cast<LONG>(0x80041030),
    WBEM_E_INVALID_PROPERTY = static_cast<LONG>(0x80041031),
    WBEM_E_CALL_CANCELLED = static_cast<LONG>(0x80041032),
    WBEM_E_SHUTTING_DOWN = static_cast<LONG>(0x80041033),
    WBEM_E_PROPAGATED_METHOD = static_cast<LONG>(0x80041034),
    WBEM_E_UNSUPPORTED_PARAMETER = static_cast<LONG>(0x80041035),
    WBEM_E_MISSING_PARAMETER_ID = static_cast<LONG>(0x80041036),
    WBEM_E_INVALID_PARAMETER_ID = static_cast<LONG>(0x80041037),
    WBEM_E_NONCONSECUTIVE_PARAMETER_IDS = static_cast<LONG>(0x80041038),
    WBEM_E_PARAMETER_ID_ON_RETVAL = static_cast<LONG>(0x80041039),
    WBEM_E_INVALID_OBJECT_PATH = static_cast<LONG>(0x8004103a),
    WBEM_E_OUT_OF_DISK_SPACE = static_cast<LONG>(0x8004103b),
    WBEM_E_BUFFER_TOO_SMALL = static_cast<LONG>(0x8004103c),
    WBEM_E_UNSUPPORTED_PUT_EXTENSION = static_cast<LONG>(0x8004103d),
    WBEM_E_UNKNOWN_OBJECT_TYPE = static_cast<LONG>(0x8004103e),
    WBEM_E_UNKNOWN_PACKET_TYPE = static_cast<LONG>(0x8004103f),
    WBEM_E_MARSHAL_VERSION_MISMATCH = static_cast<LONG>(0x80041040),
    WBEM_E_MARSHAL_INVALID_SIGNATURE = static_cast<LONG>(0x80041041),
    WBEM_E_INVALID_QUALIFIER = static_cast<LONG>(0x80041042),
    WBEM_E_INVALID_DUPLICATE_PARAMETER = static_cast<LONG>(0x80041043),
    WBEM_E_TOO_MUCH_DATA = static_cast<LONG>(0x80041044),
    WBEM_E_SERVER_TOO_BUSY = static_cast<LONG>(0x80041045),
    WBEM_E_INVALID_FLAVOR = static_cast<LONG>(0x80041046),
    WBEM_E_CIRCULAR_REFERENCE = static_cast<LONG>(0x80041047),
    WBEM_E_UNSUPPORTED_CLASS_UPDATE = static_cast<LONG>(0x80041048),
    WBEM_E_CANNOT_CHANGE_KEY_INHERITANCE = static_cast<LONG>(0x80041049),
    WBEM_E_CANNOT_CHANGE_INDEX_INHERITANCE = static_cast<LONG>(0x80041050),
    WBEM_E_TOO_MANY_PROPERTIES = static_cast<LONG>(0x80041051),
    WBEM_E_UPDATE_TYPE_MISMATCH = static_cast<LONG>(0x80041052),
    WBEM_E_UPDATE_OVERRIDE_NOT_ALLOWED = static_cast<LONG>(0x80041053),
    WBEM_E_UPDATE_PROPAGATED_METHOD = static_cast<LONG>(0x80041054),
    WBEM_E_METHOD_NOT_IMPLEMENTED = static_cast<LONG>(0x80041055),
    WBEM_E_METHOD_DISABLED = static_cast<LONG>(0x80041056),
    WBEM_E_REFRESHER_BUSY = static_cast<LONG>(0x80041057),
    WBEM_E_UNPARSABLE_QUERY = static_cast<LONG>(0x80041058),
    WBEM_E_NOT_EVENT_CLASS = static_cast<LONG>(0x80041059),
    WBEM_E_MISSING_GROUP_WITHIN = static_cast<LONG>(0x8004105a),
    WBEM_E_MISSING_AGGREGATION_LIST = static_cast<LONG>(0x8004105b),
    WBEM_E_PROPERTY_NOT_AN_OBJECT = static_cast<LONG>(0x8004105c),
    WBEM_E_AGGREGATING_BY_OBJECT = static_cast<LONG>(0x8004105d),
    WBEM_E_UNINTERPRETABLE_PROVIDER_QUERY = static_cast<LONG>(0x8004105f),
    WBEM_E_BACKUP_RESTORE_WINMGMT_RUNNING = static_cast<LONG>(0x80041060),
    WBEM_E_QUEUE_OVERFLOW = static_cast<LONG>(0x80041061),
    WBEM_E_PRIVILEGE_NOT_HELD = static_cast<LONG>(0x80041062),
    WBEM_E_INVALID_OPERATOR = static_cast<LONG>(0x80041063),
    WBEM_E_LOCAL_CREDENTIALS = static_cast<LONG>(0x80041064),
    WBEM_E_CANNOT_BE_ABSTRACT = static_cast<LONG>(0x80041065),
    WBEM_E_AMENDED_OBJECT = static_cast<LONG>(0x80041066),
    WBEM_E_CLIENT_TOO_SLOW = static_cast<LONG>(0x80041067),
    WBEM_E_NULL_SECURITY_DESCRIPTOR = static_cast<LONG>(0x80041068),
    WBEM_E_TIMED_OUT = static_cast<LONG>(0x80041069),
    WBEM_E_INVALID_ASSOCIATION = static_cast<LONG>(0x8004106a),
    WBEM_E_AMBIGUOUS_OPERATION = static_cast<LONG>(0x8004106b),
    WBEM_E_QUOTA_VIOLATION = static_cast<LONG>(0x8004106c),
    WBEM_E_RESERVED_001 = static_cast<LONG>(0x8004106d),
    WBEM_E_RESERVED_002 = static_cast<LONG>(0x8004106e),
    WBEM_E_UNSUPPORTED_LOCALE = static_cast<LONG>(0x8004106f),
    WBEM_E_HANDLE_OUT_OF_DATE = static_cast<LONG>(0x80041070),
    WBEM_E_CONNECTION_FAILED = static_cast<LONG>(0x80041071),
    WBEM_E_INVALID_HANDLE_REQUEST = static_cast<LONG>(0x80041072),
    WBEM_E_PROPERTY_NAME_TOO_WIDE = static_cast<LONG>(0x80041073),
    WBEM_E_CLASS_NAME_TOO_WIDE = static_cast<LONG>(0x80041074),
    WBEM_E_METHOD_NAME_TOO_WIDE = static_cast<LONG>(0x80041075),
    WBEM_E_QUALIFIER_NAME_TOO_WIDE = static_cast<LONG>(0x80041076),
    WBEM_E_RERUN_COMMAND = static_cast<LONG>(0x80041077),
    WBEM_E_DATABASE_VER_MISMATCH = static_cast<LONG>(0x80041078),
    WBEM_E_VETO_DELETE = static_cast<LONG>(0x80041079),
    WBEM_E_VETO_PUT = static_cast<LONG>(0x8004107a),
    WBEM_E_INVALID_LOCALE = static_cast<LONG>(0x80041080),
    WBEM_E_PROVIDER_SUSPENDED = static_cast<LONG>(0x80041081),
    WBEM_E_SYNCHRONIZATION_REQUIRED = static_cast<LONG>(0x80041082),
    WBEM_E_NO_SCHEMA = static_cast<LONG>(0x80041083),
    WBEM_E_PROVIDER_ALREADY_REGISTERED = static_cast<LONG>(0x80041084),
    WBEM_E_PROVIDER_NOT_REGISTERED = static_cast<LONG>(0x80041085),
    WBEM_E_FATAL_TRANSPORT_ERROR = static_cast<LONG>(0x80041086),
    WBEM_E_ENCRYPTED_CONNECTION_REQUIRED = static_cast<LONG>(0x80041087),
    WBEM_E_PROVIDER_TIMED_OUT = static_cast<LONG>(0x80041088),
    WBEM_E_NO_KEY = static_cast<LONG>(0x80041089),
    WBEM_E_PROVIDER_DISABLED = static_cast<LONG>(0x8004108a),
    WBEMESS_E_REGISTRATION_TOO_BROAD = static_cast<LONG>(0x80042001),
    WBEMESS_E_REGISTRATION_TOO_PRECISE = static_cast<LONG>(0x80042002),
    WBEMESS_E_AUTHZ_NOT_PRIVILEGED = static_cast<LONG>(0x80042003),
    WBEMMOF_E_EXPECTED_QUALIFIER_NAME = static_cast<LONG>(0x80044001),
    WBEMMOF_E_EXPECTED_SEMI = static_cast<LONG>(0x80044002),
    WBEMMOF_E_EXPECTED_OPEN_BRACE = static_cast<LONG>(0x80044003),
    WBEMMOF_E_EXPECTED_CLOSE_BRACE = static_cast<LONG>(0x80044004),
    WBEMMOF_E_EXPECTED_CLOSE_BRACKET = static_cast<LONG>(0x80044005),
    WBEMMOF_E_EXPECTED_CLOSE_PAREN = static_cast<LONG>(0x80044006),
    WBEMMOF_E_ILLEGAL_CONSTANT_VALUE = static_cast<LONG>(0x80044007),
    WBEMMOF_E_EXPECTED_TYPE_IDENTIFIER = static_cast<LONG>(0x80044008),
    WBEMMOF_E_EXPECTED_OPEN_PAREN = static_cast<LONG>(0x80044009),
    WBEMMOF_E_UNRECOGNIZED_TOKEN = static_cast<LONG>(0x8004400a),
    WBEMMOF_E_UNRECOGNIZED_TYPE = static_cast<LONG>(0x8004400b),
    WBEMMOF_E_EXPECTED_PROPERTY_NAME = static_cast<LONG>(0x8004400c),
    WBEMMOF_E_TYPEDEF_NOT_SUPPORTED = static_cast<LONG>(0x8004400d),
    WBEMMOF_E_UNEXPECTED_ALIAS = static_cast<LONG>(0x8004400e),
    WBEMMOF_E_UNEXPECTED_ARRAY_INIT = static_cast<LONG>(0x8004400f),
    WBEMMOF_E_INVALID_AMENDMENT_SYNTAX = static_cast<LONG>(0x80044010),
    WBEMMOF_E_INVALID_DUPLICATE_AMENDMENT = static_cast<LONG>(0x80044011),
    WBEMMOF_E_INVALID_PRAGMA = static_cast<LONG>(0x80044012),
    WBEMMOF_E_INVALID_NAMESPACE_SYNTAX = static_cast<LONG>(0x80044013),
    WBEMMOF_E_EXPECTED_CLASS_NAME = static_cast<LONG>(0x80044014),
    WBEMMOF_E_TYPE_MISMATCH = static_cast<LONG>(0x80044015),
    WBEMMOF_E_EXPECTED_ALIAS_NAME = static_cast<LONG>(0x80044016),
    WBEMMOF_E_INVALID_CLASS_DECLARATION = static_cast<LONG>(0x80044017),
    WBEMMOF_E_INVALID_INSTANCE_DECLARATION = static_cast<LONG>(0x80044018),
    WBEMMOF_E_EXPECTED_DOLLAR = static_cast<LONG>(0x80044019),
    WBEMMOF_E_CIMTYPE_QUALIFIER = static_cast<LONG>(0x8004401a),
    WBEMMOF_E_DUPLICATE_PROPERTY = static_cast<LONG>(0x8004401b),
    WBEMMOF_E_INVALID_NAMESPACE_SPECIFICATION = static_cast<LONG>(0x8004401c),
    WBEMMOF_E_OUT_OF_RANGE = static_cast<LONG>(0x8004401d),
    WBEMMOF_E_INVALID_FILE = static_cast<LONG>(0x8004401e),
    WBEMMOF_E_ALIASES_IN_EMBEDDED = static_cast<LONG>(0x8004401f),
    WBEMMOF_E_NULL_ARRAY_ELEM = static_cast<LONG>(0x80044020),
    WBEMMOF_E_DUPLICATE_QUALIFIER = static_cast<LONG>(0x80044021),
    WBEMMOF_E_EXPECTED_FLAVOR_TYPE = static_cast<LONG>(0x80044022),
    WBEMMOF_E_INCOMPATIBLE_FLAVOR_TYPES = static_cast<LONG>(0x80044023),
    WBEMMOF_E_MULTIPLE_ALIASES = static_cast<LONG>(0x80044024),
    WBEMMOF_E_INCOMPATIBLE_FLAVOR_TYPES2 = static_cast<LONG>(0x80044025),
    WBEMMOF_E_NO_ARRAYS_RETURNED = static_cast<LONG>(0x80044026),
    WBEMMOF_E_MUST_BE_IN_OR_OUT = static_cast<LONG>(0x80044027),
    WBEMMOF_E_INVALID_FLAGS_SYNTAX = static_cast<LONG>(0x80044028),
    WBEMMOF_E_EXPECTED_BRACE_OR_BAD_TYPE = static_cast<LONG>(0x80044029),
    WBEMMOF_E_UNSUPPORTED_CIMV22_QUAL_VALUE = static_cast<LONG>(0x8004402a),
    WBEMMOF_E_UNSUPPORTED_CIMV22_DATA_TYPE = static_cast<LONG>(0x8004402b),
    WBEMMOF_E_INVALID_DELETEINSTANCE_SYNTAX = static_cast<LONG>(0x8004402c),
    WBEMMOF_E_INVALID_QUALIFIER_SYNTAX = static_cast<LONG>(0x8004402d),
    WBEMMOF_E_QUALIFIER_USED_OUTSIDE_SCOPE = static_cast<LONG>(0x8004402e),
    WBEMMOF_E_ERROR_CREATING_TEMP_FILE = static_cast<LONG>(0x8004402f),
    WBEMMOF_E_ERROR_INVALID_INCLUDE_FILE = static_cast<LONG>(0x80044030),
    WBEMMOF_E_INVALID_DELETECLASS_SYNTAX = static_cast<LONG>(0x80044031)
} WBEMSTATUS;

typedef enum tag_WBEM_GENUS_TYPE { WBEM_GENUS_CLASS = 1, WBEM_GENUS_INSTANCE = 2 } WBEM_GENUS_TYPE;

typedef enum tag_WBEM_GENERIC_FLAG_TYPE {
    WBEM_FLAG_RETURN_IMMEDIATELY = 0x10,
    WBEM_FLAG_RETURN_WBEM_COMPLETE = 0,
    WBEM_FLAG_BIDIRECTIONAL = 0,
    WBEM_FLAG_FORWARD_ONLY = 0x20,
    WBEM_FLAG_NO_ERROR_OBJECT = 0x40,
    WBEM_FLAG_RETURN_ERROR_OBJECT = 0,
    WBEM_FLAG_SEND_STATUS = 0x80,
    WBEM_FLAG_DONT_SEND_STATUS = 0,
    WBEM_FLAG_ENSURE_LOCATABLE = 0x100,
    WBEM_FLAG_DIRECT_READ = 0x200,
    WBEM_FLAG_SEND_ONLY_SELECTED = 0,
    WBEM_RETURN_WHEN_COMPLETE = 0,
    WBEM_RETURN_IMMEDIATELY = 0x10,
    WBEM_MASK_RESERVED_FLAGS = 0x1f000,
    WBEM_FLAG_USE_AMENDED_QUALIFIERS = 0x20000,
    WBEM_FLAG_STRONG_VALIDATION = 0x100000
} WBEM_GENERIC_FLAG_TYPE;

typedef enum tag_WBEM_STATUS_TYPE {
    WBEM_STATUS_COMPLETE = 0,
    WBEM_STATUS_REQUIREMENTS = 1,
    WBEM_STATUS_PROGRESS = 2
} WBEM_STATUS_TYPE;

typedef enum tag_WBEM_TIMEOUT_TYPE { WBEM_NO_WAIT = 0, WBEM_INFINITE = 0xffffffff } WBEM_TIMEOUT_TYPE;

typedef enum tag_WBEM_CONDITION_FLAG_TYPE {
    WBEM_FLAG_ALWAYS = 0,
    WBEM_FLAG_ONLY_IF_TRUE = 0x1,
    WBEM_FLAG_ONLY_IF_FALSE = 0x2,
    WBEM_FLAG_ONLY_IF_IDENTICAL = 0x3,
    WBEM_MASK_PRIMARY_CONDITION = 0x3,
    WBEM_FLAG_KEYS_ONLY = 0x4,
    WBEM_FLAG_REFS_ONLY = 0x8,
    WBEM_FLAG_LOCAL_ONLY = 0x10,
    WBEM_FLAG_PROPAGATED_ONLY = 0x20,
    WBEM_FLAG_SYSTEM_ONLY = 0x30,
    WBEM_FLAG_NONSYSTEM_ONLY = 0x40,
    WBEM_MASK_CONDITION_ORIGIN = 0x70,
    WBEM_FLAG_CLASS_OVERRIDES_ONLY = 0x100,
    WBEM_FLAG_CLASS_LOCAL_AND_OVERRIDES = 0x200,
    WBEM_MASK_CLASS_CONDITION = 0x300
} WBEM_CONDITION_FLAG_TYPE;

typedef enum tag_WBEM_FLAVOR_TYPE {
    WBEM_FLAVOR_DONT_PROPAGATE = 0,
    WBEM_FLAVOR_FLAG_PROPAGATE_TO_INSTANCE = 0x1,
    WBEM_FLAVOR_FLAG_PROPAGATE_TO_DERIVED_CLASS = 0x2,
    WBEM_FLAVOR_MASK_PROPAGATION = 0xf,
    WBEM_FLAVOR_OVERRIDABLE = 0,
    WBEM_FLAVOR_NOT_OVERRIDABLE = 0x10,
    WBEM_FLAVOR_MASK_PERMISSIONS = 0x10,
    WBEM_FLAVOR_ORIGIN_LOCAL = 0,
    WBEM_FLAVOR_ORIGIN_PROPAGATED = 0x20,
    WBEM_FLAVOR_ORIGIN_SYSTEM = 0x40,
    WBEM_FLAVOR_MASK_ORIGIN = 0x60,
    WBEM_FLAVOR_NOT_AMENDED = 0,
    WBEM_FLAVOR_AMENDED = 0x80,
    WBEM_FLAVOR_MASK_AMENDED = 0x80
} WBEM_FLAVOR_TYPE;

typedef enum tag_WBEM_CONNECT_OPTIONS {
    WBEM_FLAG_CONNECT_REPOSITORY_ONLY = 0x40,
    WBEM_FLAG_CONNECT_USE_MAX_WAIT = 0x80,
    WBEM_FLAG_CONNECT_PROVIDERS = 0x100
} WBEM_CONNECT_OPTIONS;

typedef enum tag_CIMTYPE_ENUMERATION {
    CIM_ILLEGAL = 0xfff,
    CIM_EMPTY = 0,
    CIM_SINT8 = 16,
    CIM_UINT8 = 17,
    CIM_SINT16 = 2,
    CIM_UINT16 = 18,
    CIM_SINT32 = 3,
    CIM_UINT32 = 19,
    CIM_SINT64 = 20,
    CIM_UINT64 = 21,
    CIM_REAL32 = 4,
    CIM_REAL64 = 5,
    CIM_BOOLEAN = 11,
    CIM_STRING = 8,
    CIM_DATETIME = 101,
    CIM_REFERENCE = 102,
    CIM_CHAR16 = 103,
    CIM_OBJECT = 13,
    CIM_FLAG_ARRAY = 0x2000
} CIMTYPE_ENUMERATION;

struct IWbemQualifierSet;
struct IWbemClassObject;
struct IWbemServices;
struct IWbemContext;
struct IWbemCallResult;
struct IWbemObjectSink;
struct IEnumWbemClassObject;

MIDL_INTERFACE("dc12a680-737f-11cf-884d-00aa004b2e24")
IWbemQualifierSet : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Get(LPCWSTR wszName, LONG lFlags, VARIANT * pVal, LONG * plFlavor) = 0;
    virtual HRESULT STDMETHODCALLTYPE Put(LPCWSTR wszName, VARIANT * pVal, LONG lFlavor) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(LPCWSTR wszName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNames(LONG lFlags, SAFEARRAY * *pNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR * pstrName, VARIANT * pVal, LONG * plFlavor) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndEnumeration() = 0;
};

MIDL_INTERFACE("dc12a681-737f-11cf-884d-00aa004b2e24")
IWbemClassObject : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet * *ppQualSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE Get(LPCWSTR wszName, LONG lFlags, VARIANT * pVal, CIMTYPE * pType,
                                          LONG * plFlavor) = 0;
    virtual HRESULT STDMETHODCALLTYPE Put(LPCWSTR wszName, LONG lFlags, VARIANT * pVal, CIMTYPE Type) = 0;
    virtual HRESULT STDMETHODCALLTYPE Delete(LPCWSTR wszName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR wszQualifierName, LONG lFlags, VARIANT * pQualifierVal,
                                               SAFEARRAY * *pNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lEnumFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR * strName, VARIANT * pVal, CIMTYPE * pType,
                                           LONG * plFlavor) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndEnumeration() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR wszProperty,
                                                              IWbemQualifierSet * *ppQualSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject * *ppCopy) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectText(LONG lFlags, BSTR * pstrObjectText) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG lFlags, IWbemClassObject * *ppNewClass) = 0;
    virtual HRESULT STDMETHODCALLTYPE SpawnInstance(LONG lFlags, IWbemClassObject * *ppNewInstance) = 0;
    virtual HRESULT STDMETHODCALLTYPE CompareTo(LONG lFlags, IWbemClassObject * pCompareTo) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR wszName, BSTR * pstrClassName) = 0;
    virtual HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR strAncestor) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR wszName, LONG lFlags,
                                                IWbemClassObject * *ppInSignature,
                                                IWbemClassObject * *ppOutSignature) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR wszName, LONG lFlags, IWbemClassObject * pInSignature,
                                                IWbemClassObject * pOutSignature) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR wszName) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG lEnumFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE NextMethod(LONG lFlags, BSTR * pstrName,
                                                 IWbemClassObject * *ppInSignature,
                                                 IWbemClassObject * *ppOutSignature) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndMethodEnumeration() = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR wszMethod,
                                                            IWbemQualifierSet * *ppQualSet) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR wszMethodName, BSTR * pstrClassName) = 0;
};

MIDL_INTERFACE("44aca674-e8fc-11d0-a07c-00c04fb68820")
IWbemContext : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Clone(IWbemContext * *ppNewCopy) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetNames(LONG lFlags, SAFEARRAY * *pstrNames) = 0;
    virtual HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG lFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE Next(LONG lFlags, BSTR * pstrName, VARIANT * pValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE EndEnumeration() = 0;
    virtual HRESULT STDMETHODCALLTYPE SetValue(LPCWSTR wszName, LONG lFlags, VARIANT * pValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetValue(LPCWSTR wszName, LONG lFlags, VARIANT * pValue) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteValue(LPCWSTR wszName, LONG lFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteAll() = 0;
};

MIDL_INTERFACE("7c857801-7381-11cf-884d-00aa004b2e24")
IWbemObjectSink : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Indicate(LONG lObjectCount, IWbemClassObject * *apObjArray) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetStatus(LONG lFlags, HRESULT hResult, BSTR strParam,
                                                IWbemClassObject * pObjParam) = 0;
};

MIDL_INTERFACE("44aca675-e8fc-11d0-a07c-00c04fb68820")
IWbemCallResult : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE GetResultObject(LONG lTimeout, IWbemClassObject * *ppResultObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResultString(LONG lTimeout, BSTR * pstrResultString) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResultServices(LONG lTimeout, IWbemServices * *ppServices) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCallStatus(LONG lTimeout, LONG * plStatus) = 0;
};

MIDL_INTERFACE("027947e1-d731-11ce-a357-000000000001")
IEnumWbemClassObject : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Next(LONG lTimeout, ULONG uCount, IWbemClassObject * *apObjects,
                                           ULONG * puReturned) = 0;
    virtual HRESULT STDMETHODCALLTYPE NextAsync(ULONG uCount, IWbemObjectSink * pSink) = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject * *ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(LONG lTimeout, ULONG nCount) = 0;
};

MIDL_INTERFACE("9556dc99-828c-11cf-a37e-00aa003240c7")
IWbemServices : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR strNamespace, LONG lFlags, IWbemContext* pCtx,
                                                    IWbemServices** ppWorkingNamespace,
                                                    IWbemCallResult** ppResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink * pSink) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG lFlags, IWbemObjectSink * *ppResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObject(const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx,
                                                IWbemClassObject** ppObject,
                                                IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetObjectAsync(
        const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx, IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject * pObject, LONG lFlags, IWbemContext * pCtx,
                                               IWbemCallResult * *ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutClassAsync(
        IWbemClassObject * pObject, LONG lFlags, IWbemContext * pCtx, IWbemObjectSink * pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR strClass, LONG lFlags, IWbemContext* pCtx,
                                                  IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR strClass, LONG lFlags, IWbemContext* pCtx,
                                                       IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR strSuperclass, LONG lFlags,
                                                      IWbemContext* pCtx, IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(
        const BSTR strSuperclass, LONG lFlags, IWbemContext* pCtx, IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject * pInst, LONG lFlags, IWbemContext * pCtx,
                                                  IWbemCallResult * *ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE PutInstanceAsync(
        IWbemClassObject * pInst, LONG lFlags, IWbemContext * pCtx, IWbemObjectSink * pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR strObjectPath, LONG lFlags,
                                                     IWbemContext* pCtx, IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(
        const BSTR strObjectPath, LONG lFlags, IWbemContext* pCtx, IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateInstanceEnum(
        const BSTR strFilter, LONG lFlags, IWbemContext* pCtx, IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(
        const BSTR strFilter, LONG lFlags, IWbemContext* pCtx, IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags,
                                                IWbemContext* pCtx, IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR strQueryLanguage, const BSTR strQuery,
                                                     LONG lFlags, IWbemContext* pCtx,
                                                     IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR strQueryLanguage, const BSTR strQuery,
                                                            LONG lFlags, IWbemContext* pCtx,
                                                            IEnumWbemClassObject** ppEnum) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(
        const BSTR strQueryLanguage, const BSTR strQuery, LONG lFlags, IWbemContext* pCtx,
        IWbemObjectSink* pResponseHandler) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethod(
        const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags, IWbemContext* pCtx,
        IWbemClassObject* pInParams, IWbemClassObject** ppOutParams, IWbemCallResult** ppCallResult) = 0;
    virtual HRESULT STDMETHODCALLTYPE ExecMethodAsync(
        const BSTR strObjectPath, const BSTR strMethodName, LONG lFlags, IWbemContext* pCtx,
        IWbemClassObject* pInParams, IWbemObjectSink* pResponseHandler) = 0;
};

MIDL_INTERFACE("dc12a687-737f-11cf-884d-00aa004b2e24")
IWbemLocator : public IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE ConnectServer(
        const BSTR strNetworkResource, const BSTR strUser, const BSTR strPassword, const BSTR strLocale,
        LONG lSecurityFlags, const BSTR strAuthority, IWbemContext* pCtx, IWbemServices** ppNamespace) = 0;
};
