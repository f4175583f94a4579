// The export that lists an object's properties in one call.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions.h>

#include "jni/ExportGuard.h"
#include "jni/Handles.h"
#include "values/PropertyListing.h"
#include "wmi/WmiObject.h"

using namespace wmibridge;

namespace {

constexpr jint kListSystemProperties =
    com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_LIST_SYSTEM_PROPERTIES;

// A failure goes to the holder's set(long), except while a Java exception is pending (the JVM ran
// out of memory building the listing): no Java method may be called then, and the exception
// itself is the report.
jobjectArray ReportFailure(JNIEnv* env, jobject holder, ErrorCode code) noexcept
{
    if (holder != nullptr && env->ExceptionCheck() == JNI_FALSE) {
        CallHolderSet(env, holder, code);
    }
    return nullptr;
}

}  // namespace

JNIEXPORT jobjectArray JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiObjectListProperties(
    JNIEnv* env, jclass, jlong object, jint flags, jobject holder)
{
    return Guarded<jobjectArray>(nullptr, [&]() -> jobjectArray {
        if (object == 0 || (flags & ~kListSystemProperties) != 0) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        const CRefPtr<CWmiObject>& wrapper = HandleRef<CWmiObject>(object);
        if (wrapper.IsEmpty()) {
            return ReportFailure(env, holder, kInvalidParameter);
        }
        if (wrapper->Object() == nullptr) {
            return ReportFailure(env, holder, kObjectNotFound);
        }
        const LONG enumFlags = (flags & kListSystemProperties) != 0 ? 0 : WBEM_FLAG_NONSYSTEM_ONLY;
        ErrorCode code = kSuccess;
        jobjectArray listing = ListObjectProperties(env, wrapper->Object(), enumFlags, code);
        return listing != nullptr ? listing : ReportFailure(env, holder, code);
    });
}
