#include "settings/placement.h"

void LoadPlacement(const CXmlNode& window, WINDOWPLACEMENT& placement)
{
    CXmlNode record;
    if (!window.IsEmpty() && FAILED(window.Select(L"Placement", record)))
        return;

    placement.length = sizeof(placement);
    // An empty node reads as missing: both become 0 and the reading stops below.
    placement.showCmd = record.IsEmpty() ? 0 : record.ReadUnsigned(L"@showCmd", 0);
    placement.flags = record.IsEmpty() ? 0 : record.ReadUnsigned(L"@flags", 0);
    if (record.IsEmpty())
        return;
    if (!record.ReadPoint(L"@ptMinPosition", placement.ptMinPosition))
        return;
    if (!record.ReadPoint(L"@ptMaxPosition", placement.ptMaxPosition))
        return;
    record.ReadRect(L"@rcNormalPosition", placement.rcNormalPosition);
}

HRESULT SavePlacement(const CXmlNode& root, const WINDOWPLACEMENT& placement)
{
    if (IsRectEmpty(&placement.rcNormalPosition))
        return S_FALSE;

    CXmlNode window, record;
    HRESULT hr;
    if (FAILED(hr = root.GetOrCreate(L"Window", window)) ||
        FAILED(hr = window.GetOrCreate(L"Placement", record)) ||
        FAILED(hr = record.WriteUnsigned(L"@showCmd", placement.showCmd)) ||
        FAILED(hr = record.WriteUnsigned(L"@flags", placement.flags, true)) ||
        FAILED(hr = record.WritePoint(L"@ptMinPosition", placement.ptMinPosition)) ||
        FAILED(hr = record.WritePoint(L"@ptMaxPosition", placement.ptMaxPosition)) ||
        FAILED(hr = record.WriteRect(L"@rcNormalPosition", placement.rcNormalPosition)))
        return hr;
    return S_OK;
}
