// Native handles: a Java long holding the address of a heap cell that holds one CRefPtr<T>.
#pragma once

#include <jni.h>

#include <new>
#include <utility>

#include "jni/OutOfMemory.h"
#include "platform/platform.h"
#include "wmi/ErrorCodes.h"
#include "wmi/RefPtr.h"

namespace wmibridge {

// The CRefPtr in the cell of a non-zero handle. The native side trusts every handle it is given.
template <class T>
CRefPtr<T>& HandleRef(jlong handle)
{
    return *reinterpret_cast<CRefPtr<T>*>(static_cast<intptr_t>(handle));
}

// A new handle: a cell that takes over the reference of `object`, which is left empty. 0 when the
// cell cannot be allocated; `object` then keeps its reference.
template <class T>
jlong NewHandle(CRefPtr<T>&& object) noexcept
{
    void* memory = CoTaskMemAlloc(sizeof(CRefPtr<T>));
    if (memory == nullptr) {
        return 0;
    }
    auto* cell = new (memory) CRefPtr<T>(std::move(object));
    return static_cast<jlong>(reinterpret_cast<intptr_t>(cell));
}

// A new handle: a cell holding a reference of its own to `object`. 0 when the cell cannot be
// allocated.
template <class T>
jlong NewHandle(const CRefPtr<T>& object) noexcept
{
    return NewHandle(CRefPtr<T>(object));
}

// Calls the holder's set(long) with `value`. False when the holder's class has no set(long); the
// NoSuchMethodError of the failed lookup is then left pending for the Java caller.
bool CallHolderSet(JNIEnv* env, jobject holder, jlong value) noexcept;

// Hands `object` to Java: allocates a cell, moves the reference of `object` into it and passes the
// cell's address to the holder's set(long). Returns kSuccess, kProcNotFound when the holder has no
// set(long), or kInvalidParameter for a null holder; when the cell cannot be allocated it throws
// OutOfMemoryError (naming `exportName` and `line`) and returns kSuccess, the export's preset code,
// kept for native callers that compare the code: Java never sees it, only the exception. `object`
// keeps its reference whenever nothing was handed out, so that its owner drops the object.
template <class T>
ErrorCode HandOut(JNIEnv* env, jobject holder, CRefPtr<T>&& object, const char* exportName, int line) noexcept
{
    if (holder == nullptr) {
        return kInvalidParameter;
    }
    jclass holderClass = env->GetObjectClass(holder);
    jmethodID set = env->GetMethodID(holderClass, "set", "(J)V");
    env->DeleteLocalRef(holderClass);
    if (set == nullptr) {
        return kProcNotFound;
    }
    const jlong handle = NewHandle(std::move(object));
    if (handle == 0) {
        ThrowOutOfMemory(env, exportName, line);
        return kSuccess;
    }
    env->CallVoidMethod(holder, set, handle);
    // No ExceptionCheck: a set(long) that throws leaves its exception pending for the Java caller,
    // and the object alive in its cell. set may have stored the handle before it threw; then the
    // caller owns the handle and will free it, and freeing the cell here would leave that caller a
    // dangling handle. At worst the cell and its object outlive the call unreferenced.
    return kSuccess;
}

// As above, with a cell that takes a reference of its own: the caller's reference is left as it is.
template <class T>
ErrorCode HandOut(JNIEnv* env, jobject holder, const CRefPtr<T>& object, const char* exportName,
                  int line) noexcept
{
    if (holder == nullptr) {
        return kInvalidParameter;
    }
    return HandOut(env, holder, CRefPtr<T>(object), exportName, line);
}

// Frees a handle made by HandOut: drops the cell's reference and frees the cell. 0 does nothing.
template <class T>
void FreeHandle(jlong handle) noexcept
{
    if (handle == 0) {
        return;
    }
    auto* cell = &HandleRef<T>(handle);
    cell->~CRefPtr<T>();
    CoTaskMemFree(cell);
}

}  // namespace wmibridge
