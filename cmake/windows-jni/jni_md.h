/* Machine-dependent JNI types and linkage for 64-bit Windows. The JDK of the build machine ships
 * only its own platform's jni_md.h; a Windows JVM expects these definitions: exports marked
 * dllexport, the stdcall convention (a no-op on x64), a 32-bit jint and a 64-bit jlong. */
#ifndef _JAVASOFT_JNI_MD_H_
#define _JAVASOFT_JNI_MD_H_

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef long jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
