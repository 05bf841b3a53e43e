// IUnknown of the stand-in's COM-style objects (DirectDraw, Direct3D, DirectSound): reference counted,
// the last Release destroys the object.
#pragma once
#include "os/win32types.h"

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID iid, void** out) = 0;  // AddRefs and answers the interface; E_NOINTERFACE otherwise
  virtual ULONG AddRef() = 0;                                   // answers the new count
  virtual ULONG Release() = 0;                                  // answers the new count
 protected:
  virtual ~IUnknown() = default;
};
using LPUNKNOWN = IUnknown*;

extern const IID IID_IUnknown;  // the identity every object answers to
