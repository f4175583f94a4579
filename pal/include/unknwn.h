// IUnknown, the root of every COM interface, and the interface identifiers of the COM core.
#pragma once

#include <guiddef.h>
#include <winerror.h>

#define interface struct
#define MIDL_INTERFACE(x) struct

EXTERN_GUID(IID_IUnknown);
EXTERN_GUID(IID_IDispatch);
EXTERN_GUID(IID_IClientSecurity);

MIDL_INTERFACE("00000000-0000-0000-C000-000000000046")
IUnknown
{
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
typedef IUnknown* LPUNKNOWN;
