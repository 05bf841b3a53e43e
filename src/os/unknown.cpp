// Identity of IUnknown, shared by every COM-style object of the stand-in.
#include "os/unknown.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
