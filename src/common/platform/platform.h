// The one header through which the libraries see the platform: the Windows SDK on Windows, the
// platform layer's headers of the same names elsewhere. It also fixes the UTF-16 literal macro.
#pragma once

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
// wingdi.h maps GetObject to GetObjectA or GetObjectW, which would rename the method
// IWbemServices::GetObject where wbemidl.h declares it.
#undef GetObject
#include <wbemidl.h>
#define W(text) L##text
#else
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wbemidl.h>
#define W(text) u##text
#endif

static_assert(sizeof(WCHAR) == 2, "text is UTF-16 on every platform");
