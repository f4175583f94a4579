// OLE Automation functions: BSTR, VARIANT and SAFEARRAY.
#pragma once

#include <oaidl.h>

PALAPI BSTR SysAllocString(const OLECHAR* psz);
PALAPI BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
PALAPI BSTR SysAllocStringByteLen(LPCSTR psz, UINT len);
PALAPI void SysFreeString(BSTR bstrString);
PALAPI UINT SysStringLen(BSTR pbstr);
PALAPI UINT SysStringByteLen(BSTR bstr);

PALAPI void VariantInit(VARIANTARG* pvarg);
PALAPI HRESULT VariantClear(VARIANTARG* pvarg);
PALAPI HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);

PALAPI SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound);
PALAPI SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements);
PALAPI HRESULT SafeArrayDestroy(SAFEARRAY* psa);
PALAPI HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut);
PALAPI UINT SafeArrayGetDim(SAFEARRAY* psa);
PALAPI UINT SafeArrayGetElemsize(SAFEARRAY* psa);
PALAPI HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt);
PALAPI HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound);
PALAPI HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound);
PALAPI HRESULT SafeArrayLock(SAFEARRAY* psa);
PALAPI HRESULT SafeArrayUnlock(SAFEARRAY* psa);
PALAPI HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData);
PALAPI HRESULT SafeArrayUnaccessData(SAFEARRAY* psa);
PALAPI HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
PALAPI HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv);
