// The reference-counted interface every DirectDraw and Direct3D object presents.
#pragma once

#include "wintypes.h"

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, LPVOID* out) = 0;
  virtual ULONG AddRef() = 0;
  // Returns the references left; the object is gone when it returns 0.
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;  // objects go away through Release, never through delete
};
typedef IUnknown* LPUNKNOWN;

extern const IID IID_IUnknown;
