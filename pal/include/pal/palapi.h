// Linkage of the functions that the platform layer exports in place of the Windows system DLLs.
#pragma once

#ifdef __cplusplus
#define PAL_EXTERN_C extern "C"
#else
#define PAL_EXTERN_C extern
#endif

#define PALAPI PAL_EXTERN_C __attribute__((visibility("default")))
#define WINAPI
#define STDAPICALLTYPE
#define STDMETHODCALLTYPE
#define STDAPI PALAPI HRESULT STDAPICALLTYPE
#define STDAPI_(type) PALAPI type STDAPICALLTYPE
