// Base types of the Windows API with their Windows sizes (LLP64: LONG is 32-bit) and UTF-16 text.
#pragma once

#include <pal/palapi.h>
#include <stddef.h>
#include <stdint.h>

typedef void VOID;
typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef char CHAR;
typedef unsigned char UCHAR;
typedef unsigned char BYTE;
typedef int16_t SHORT;
typedef uint16_t USHORT;
typedef uint16_t WORD;
typedef int32_t INT;
typedef uint32_t UINT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef int64_t LONGLONG;
typedef uint64_t ULONGLONG;
typedef int64_t LONG64;
typedef uint64_t ULONG64;
typedef uint64_t DWORD64;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef uintptr_t ULONG_PTR;
typedef ULONG_PTR SIZE_T;
typedef float FLOAT;
typedef double DOUBLE;
typedef int BOOL;
typedef BYTE BOOLEAN;
typedef DWORD* LPDWORD;
typedef LONG* PLONG;
typedef ULONG* PULONG;
typedef BOOL* LPBOOL;
typedef BYTE* LPBYTE;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// UTF-16 text: WCHAR is char16_t off Windows, so u"" literals serve where Windows writes L"".
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* PCWSTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;

typedef LONG HRESULT;
typedef LONG SCODE;
typedef DWORD LCID;
typedef WORD LANGID;

typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef LONG LSTATUS;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;

#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01

// Fills `count` bytes at `destination` with zeros through a volatile pointer, so that the stores
// survive even when the memory is freed or goes out of scope right after: the way to wipe a
// secret. Windows defines it inline the same way; this is the one place the libraries and the
// platform layer get it from.
static inline PVOID SecureZeroMemory(PVOID destination, SIZE_T count)
{
    volatile BYTE* bytes = (volatile BYTE*)destination;
    while (count > 0) {
        *bytes++ = 0;
        --count;
    }
    return destination;
}
