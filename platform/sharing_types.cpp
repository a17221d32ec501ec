#include "platform/sharing_types.h"

namespace platform {

void VariantInit(VARIANT* variant) {
  variant->vt = VT_EMPTY;
  variant->punkVal = nullptr;
}

HRESULT VariantClear(VARIANT* variant) {
  if (!variant)
    return E_POINTER;
  if (variant->vt == VT_UNKNOWN && variant->punkVal)
    variant->punkVal->Release();
  VariantInit(variant);
  return S_OK;
}

namespace {

constexpr GUID Guid(DWORD d1, WORD d2, WORD d3, std::initializer_list<BYTE> d4) {
  GUID g{d1, d2, d3, {}};
  int i = 0;
  for (BYTE b : d4)
    g.Data4[i++] = b;
  return g;
}

}  // namespace

const GUID IID_IUnknown = Guid(0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46});
const GUID CLSID_NetSharingManager =
    Guid(0x5C63C1AD, 0x3956, 0x4FF8, {0x84, 0x86, 0x40, 0x03, 0x47, 0x58, 0x31, 0x5B});
const GUID IID_INetSharingManager =
    Guid(0xC08956B7, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E});
const GUID IID_INetSharingEveryConnectionCollection =
    Guid(0x33C4643C, 0x7811, 0x46FA, {0xA8, 0x9A, 0x76, 0x85, 0x97, 0xBD, 0x72, 0x23});
const GUID IID_IEnumNetSharingEveryConnection =
    Guid(0xC08956B8, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E});
const GUID IID_INetConnection =
    Guid(0xC08956A1, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E});
const GUID IID_INetSharingConfiguration =
    Guid(0xC08956B6, 0x1CD3, 0x11D1, {0xB1, 0xC5, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E});

}  // namespace platform
