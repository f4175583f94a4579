// Exports that free object and result-set handles.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector.h>

#include "jni/ExportGuard.h"
#include "jni/Handles.h"
#include "wmi/WmiObject.h"
#include "wmi/WmiObjectEnum.h"

using namespace wmibridge;

JNIEXPORT void JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectDestroy(JNIEnv*, jclass,
                                                                                             jlong object)
{
    Guarded([&] { FreeHandle<CWmiObject>(object); });
}

JNIEXPORT void JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiConnector_WmiObjectEnumDestroy(JNIEnv*, jclass, jlong resultSet)
{
    Guarded([&] { FreeHandle<CWmiObjectEnum>(resultSet); });
}
