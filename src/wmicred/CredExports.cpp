// The export of wmicred.
#include <com_zorvex_kestrin_quilmok_lib_wmic_WmiConnectionPool.h>

#include "wmicred/CredString.h"
#include "wmicred/VerifyCredentials.h"
#include "text/Utf16.h"

using namespace wmicred;

JNIEXPORT jlong JNICALL Java_com_zorvex_kestrin_quilmok_lib_wmic_WmiConnectionPool_nativeVerifyCredentials(
    JNIEnv* env, jclass, jstring user, jstring password, jstring host, jstring keyPath)
{
    try {
        CCredString hostView(env, host);
        CCredString userView(env, user);
        CCredString passwordView(env, password);
        CCredString keyPathView(env, keyPath);
        if (hostView.OutOfMemory() || userView.OutOfMemory() || passwordView.OutOfMemory() ||
            keyPathView.OutOfMemory()) {
            return ERROR_OUTOFMEMORY;
        }
        // Text after a NUL would be cut off where every later step reads the text.
        if (wmibridge::text::AnyLosesTextAfterNul(hostView, userView, passwordView, keyPathView)) {
            return ERROR_INVALID_PARAMETER;
        }
        return static_cast<jlong>(
            VerifyCredentials(userView.Chars(), passwordView.Chars(), hostView.Chars(), keyPathView.Chars()));
    } catch (...) {
        return ERROR_OUTOFMEMORY;
    }
}
