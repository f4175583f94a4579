// Exports of streaming queries and event subscriptions: the query, its batches and the end of
// the stream.
#include <com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions.h>

#include <algorithm>

#include "jni/ExportGuard.h"
#include "jni/ExportNames.h"
#include "jni/Handles.h"
#include "jni/QueryExport.h"
#include "wmi/ObjectStream.h"

using namespace wmibridge;

static_assert(com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_MAX_STREAM_BATCH == kMaxStreamBatch);

namespace {

// Writes the handles made for a batch from slot 0 on and sets every later slot to 0.
void WriteSlots(JNIEnv* env, jlongArray handles, jsize length, const jlong* cells, jsize made) noexcept
{
    static const jlong kZeros[kMaxStreamBatch] = {};
    if (made > 0) {
        env->SetLongArrayRegion(handles, 0, made, cells);
    }
    for (jsize at = made; at < length;) {
        const jsize chunk = std::min<jsize>(length - at, static_cast<jsize>(kMaxStreamBatch));
        env->SetLongArrayRegion(handles, at, chunk, kZeros);
        at += chunk;
    }
}

}  // namespace

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiServiceExecQueryStreaming(
    JNIEnv* env, jclass, jlong session, jstring query, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        return StartQueryExport<CWmiObjectStream>(env, session, query, holder, ServiceExecQueryStreaming,
                                                  WMIBRIDGE_EXTENSIONS_EXPORT(WmiServiceExecQueryStreaming),
                                                  oom_line::kServiceExecQueryStreaming);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiServiceExecNotificationQuery(
    JNIEnv* env, jclass, jlong session, jstring query, jobject holder)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        return StartQueryExport<CWmiObjectStream>(
            env, session, query, holder, ServiceExecNotificationQuery,
            WMIBRIDGE_EXTENSIONS_EXPORT(WmiServiceExecNotificationQuery),
            oom_line::kServiceExecNotificationQuery);
    });
}

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiObjectStreamNextBatch(
    JNIEnv* env, jclass, jlong stream, jint timeoutMs, jlongArray handles)
{
    return Guarded<jlong>(kOutOfMemory, [&]() -> jlong {
        // WBEM_INFINITE read as a LONG: the one negative time-out.
        constexpr jint kWaitForever = static_cast<LONG>(WBEM_INFINITE);
        if (stream == 0 || handles == nullptr || timeoutMs < kWaitForever) {
            return kInvalidParameter;
        }
        const jsize length = env->GetArrayLength(handles);
        if (length < 1) {
            return kInvalidParameter;
        }
        // The batch holds a reference of its own: a destroy of the handle on another thread while
        // this one waits for the batch takes effect when the wait is over.
        const CRefPtr<CWmiObjectStream> held = HandleRef<CWmiObjectStream>(stream);
        StreamBatch batch = StreamNextBatch(held, timeoutMs, static_cast<ULONG>(length));
        jlong cells[kMaxStreamBatch] = {};
        jsize made = 0;
        bool outOfMemory = batch.outOfMemory;
        for (CRefPtr<CWmiObject>& object : batch.objects) {
            cells[made] = NewHandle(std::move(object));
            if (cells[made] == 0) {
                outOfMemory = true;
                break;
            }
            ++made;
        }
        if (outOfMemory) {
            // The stream has moved past these objects; none of them reaches Java.
            for (jsize i = 0; i < made; ++i) {
                FreeHandle<CWmiObject>(cells[i]);
            }
            made = 0;
        }
        WriteSlots(env, handles, length, cells, made);
        if (outOfMemory) {
            ThrowOutOfMemory(env, WMIBRIDGE_EXTENSIONS_EXPORT(WmiObjectStreamNextBatch),
                             oom_line::kObjectStreamNextBatch);
            return kOutOfMemory;
        }
        return static_cast<jlong>(batch.result);
    });
}

JNIEXPORT void JNICALL
Java_com_zorvex_kestrin_quilmok_lib_wmi_WmiExtensions_WmiObjectStreamDestroy(JNIEnv*, jclass, jlong stream)
{
    Guarded([&] { FreeHandle<CWmiObjectStream>(stream); });
}
