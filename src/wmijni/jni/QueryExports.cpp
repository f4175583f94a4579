// Exports that run WQL queries and walk their result sets.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ExportGuard.h"
#include "jni/ExportNames.h"
#include "jni/Handles.h"
#include "jni/QueryExport.h"
#include "wmi/Query.h"

using namespace wmibridge;

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiServiceExecQuery(
    JNIEnv* env, jclass, jlong session, jstring query, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        return StartQueryExport<CWmiObjectEnum>(env, session, query, holder, ServiceExecQuery,
                                                WMIBRIDGE_CONNECTOR_EXPORT(WmiServiceExecQuery),
                                                oom_line::kServiceExecQuery);
    });
}

JNIEXPORT jboolean JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectEnumHasMoreObjects(
    JNIEnv*, jclass, jlong resultSet)
{
    return Guarded<jboolean>(JNI_FALSE, [&]() -> jboolean {
        return resultSet != 0 && ResultSetOf(HandleRef<CWmiObjectEnum>(resultSet)).HasMoreObjects()
                   ? JNI_TRUE
                   : JNI_FALSE;
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectEnumNextObject(
    JNIEnv* env, jclass, jlong resultSet, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        if (resultSet == 0) {
            return kInvalidParameter;
        }
        CRefPtr<CWmiObject> object;
        if (!ResultSetOf(HandleRef<CWmiObjectEnum>(resultSet)).NextObject(object)) {
            return kEndOfResultSet;
        }
        return HandOut(env, holder, std::move(object), WMIBRIDGE_CONNECTOR_EXPORT(WmiObjectEnumNextObject),
                       oom_line::kObjectEnumNextObject);
    });
}

JNIEXPORT void JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectEnumReset(JNIEnv*, jclass, jlong resultSet)
{
    Guarded([&] {
        if (resultSet != 0) {
            ResultSetOf(HandleRef<CWmiObjectEnum>(resultSet)).Reset();
        }
    });
}

JNIEXPORT jint JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectEnumObjectCount(
    JNIEnv*, jclass, jlong resultSet)
{
    return Guarded<jint>(0, [&]() -> jint {
        return resultSet == 0 ? 0 : ResultSetOf(HandleRef<CWmiObjectEnum>(resultSet)).ObjectCount();
    });
}
