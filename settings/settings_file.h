#pragma once
// The settings file: an XML document with the root "Application" and the
// sections "Window" (with the placement record), "Suspend" (with "TcpPorts")
// and "AutoResume" (with "AutoSuspend" and "Command"). Loading and saving
// never show anything; their results are for callers that care.
#include "settings/placement.h"
#include "settings/settings_limits.h"
#include "settings/settings_model.h"
#include "settings/xml_node.h"

// Loads the file at `path`, reads the placement, then the settings. `model`
// and `placement` hold their defaults on entry; a field is replaced only by
// an acceptable value. False (nothing changed, last error set) when the file
// cannot be loaded as a document.
bool LoadSettings(const wchar_t* path, CSettingsModel& model, WINDOWPLACEMENT& placement);

// Reads the sections below `base` (the root element, or the document node
// when there is no "Application" root) into `model`, applying the ranges and
// invariants: integers out of range keep their defaults, an empty port list
// (no port text, a refused one, or one without a port) forces the condition
// to "Always", an empty command forces run off.
void ReadSettings(const CXmlNode& base, CSettingsModel& model);

// Builds a new document from `placement` and `model` and puts it in place of
// the file at `path` in one step. On failure the previous file is kept as it
// was; the result is false and the last error tells why.
bool SaveSettings(const wchar_t* path, const CSettingsModel& model,
                  const WINDOWPLACEMENT& placement);

// Writes the sections of `model` below `root`, creating the elements that are
// missing. The first failure ends the writing and is returned.
HRESULT WriteSettings(const CXmlNode& root, const CSettingsModel& model);
