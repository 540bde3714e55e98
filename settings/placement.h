#pragma once
// The main window's placement record in the settings document:
// "Window"/"Placement" with the attributes "showCmd", "flags", "ptMinPosition",
// "ptMaxPosition" and "rcNormalPosition", in that order.
#include "settings/xml_node.h"

// Fills `placement` from "Placement" below `window` (the "Window" element; an
// empty node counts as a missing one). The length is always set; showCmd and
// flags become 0 when missing or unparsable; the points and the rectangle are
// read in order and the first that is missing or malformed ends the reading,
// so what was read before stays. A failed selection leaves the record alone.
void LoadPlacement(const CXmlNode& window, WINDOWPLACEMENT& placement);

// Writes the record below `root` when its normal rectangle is not empty
// (creating "Window" and "Placement" as needed); writes nothing otherwise.
// S_OK or S_FALSE (nothing to write) on success.
HRESULT SavePlacement(const CXmlNode& root, const WINDOWPLACEMENT& placement);
