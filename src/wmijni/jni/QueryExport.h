// The frame shared by the exports that start a query: the same guards, the query text, the native
// operation on the session, and the new native object handed out through the holder.
#pragma once

#include <jni.h>

#include "jni/Handles.h"
#include "jni/JniString.h"
#include "text/Utf16.h"
#include "wmi/WmiService.h"

namespace wmibridge {

// `run(session, queryChars, result)` makes the native object into `result`; its code is returned
// when it fails. kInvalidParameter for a 0 session, a null or empty query, or one with text after
// a NUL; kOutOfMemory when the query text cannot be read; otherwise what HandOut gives.
template <class T, class Run>
ErrorCode StartQueryExport(JNIEnv* env, jlong session, jstring query, jobject holder, Run&& run,
                           const char* exportName, int line)
{
    if (session == 0 || query == nullptr) {
        return kInvalidParameter;
    }
    CJniString queryView(env, query);
    if (queryView.Length() < 1) {
        return kInvalidParameter;
    }
    if (queryView.OutOfMemory()) {
        return kOutOfMemory;
    }
    if (text::AnyLosesTextAfterNul(queryView)) {
        return kInvalidParameter;
    }
    CRefPtr<T> result;
    const ErrorCode code = run(HandleRef<CWmiService>(session), queryView.Chars(), result);
    if (code != kSuccess) {
        return code;
    }
    return HandOut(env, holder, std::move(result), exportName, line);
}

}  // namespace wmibridge
