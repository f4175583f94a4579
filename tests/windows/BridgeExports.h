// The exports of wmijni.dll and wmicred.dll, bound by their JNI symbol names as a JVM binds
// native methods: LoadLibraryW, then GetProcAddress for each undecorated name.
#pragma once

#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiError.h>
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions.h>
#include <com_zorvex_kestrin_quilmok_lib_wmic_WmiConnectionPool.h>

#include <string>
#include <vector>

#define BRIDGE_CONNECTOR(name) Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_##name
#define BRIDGE_EXTENSIONS(name) Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_##name

#define BRIDGE_CONNECTOR_EXPORTS(X)       \
    X(WmiServiceConnectServer)            \
    X(WmiServiceDisconnectServer)         \
    X(WmiServiceExecQuery)                \
    X(WmiObjectEnumHasMoreObjects)        \
    X(WmiObjectEnumNextObject)            \
    X(WmiObjectEnumReset)                 \
    X(WmiObjectEnumObjectCount)           \
    X(WmiObjectEnumDestroy)               \
    X(WmiObjectDestroy)                   \
    X(WmiServiceGetObject)                \
    X(WmiObjectGetInstance)               \
    X(WmiObjectGetPropertyObject)         \
    X(WmiServiceGetMethod)                \
    X(WmiMethodGetInputProperties)        \
    X(WmiMethodExecuteMth)                \
    X(WmiMethodDestroy)                   \
    X(WmiObjectGetProperty)               \
    X(WmiObjectGetPropertyValues)         \
    X(WmiObjectGetPropertyQualifierValue) \
    X(WmiObjectPutPropertyBoolean)        \
    X(WmiObjectPutPropertyByte)           \
    X(WmiObjectPutPropertyShort)          \
    X(WmiObjectPutPropertyInt)            \
    X(WmiObjectPutPropertyDouble)         \
    X(WmiObjectPutPropertyFloat)          \
    X(WmiObjectPutPropertyString)         \
    X(WmiObjectPutPropertyObject)         \
    X(WmiObjectPutPropertyAsType)         \
    X(WmiObjectPutPropertyBooleanArray)   \
    X(WmiObjectPutPropertyByteArray)      \
    X(WmiObjectPutPropertyShortArray)     \
    X(WmiObjectPutPropertyIntArray)       \
    X(WmiObjectPutPropertyDoubleArray)    \
    X(WmiObjectPutPropertyFloatArray)     \
    X(WmiObjectPutPropertyStringArray)    \
    X(WmiObjectPutPropertyAsTypeArray)

#define BRIDGE_EXTENSIONS_EXPORTS(X)   \
    X(WmiObjectListProperties)         \
    X(WmiServiceExecQueryStreaming)    \
    X(WmiServiceExecNotificationQuery) \
    X(WmiObjectStreamNextBatch)        \
    X(WmiObjectStreamDestroy)

namespace scenario {

struct BridgeExports {
#define BRIDGE_DECLARE_EXPORT(name) decltype(&BRIDGE_CONNECTOR(name)) name = nullptr;
    BRIDGE_CONNECTOR_EXPORTS(BRIDGE_DECLARE_EXPORT)
#undef BRIDGE_DECLARE_EXPORT
#define BRIDGE_DECLARE_EXTENSION(name) decltype(&BRIDGE_EXTENSIONS(name)) name = nullptr;
    BRIDGE_EXTENSIONS_EXPORTS(BRIDGE_DECLARE_EXTENSION)
#undef BRIDGE_DECLARE_EXTENSION
    decltype(&Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiError_Win32Format) Win32Format = nullptr;
    decltype(&Java_com_zorvex_kestrin_quilmok_lib_wmic_WmiConnectionPool_nativeVerifyCredentials)
        nativeVerifyCredentials = nullptr;
};

// Loads both libraries from `directory` (a Windows path) and binds every export. Returns what
// could not be loaded or found; empty when all of it was.
std::vector<std::string> LoadBridge(const std::u16string& directory, BridgeExports& exports);

}  // namespace scenario
