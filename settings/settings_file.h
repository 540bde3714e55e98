#pragma once
// The settings file: an XML document with the root "Application" and the
// sections "Window" (with the placement record), "Suspend" (with "TcpPorts")
// and "AutoResume" (with "AutoSuspend" and "Command"), laid out by the table
// of fields (settings_fields.h). Loading and saving never show anything;
// their results are for callers that care.
#include "settings/settings_limits.h"
#include "settings/settings_model.h"

// Loads the file at `path` into `model` and `placement` in one walk over the
// table. `model` holds its defaults on entry and a field is replaced only by
// an acceptable value: integers out of range keep their defaults, an empty
// port list (no port text, a refused one, or one without a port) forces the
// condition to "Always", an empty command forces run off. The placement's
// length is always set, its show command and flags become 0 when missing or
// unparsable, and its positions are read in order until the first missing or
// malformed one. False (nothing changed, last error set) when the file cannot
// be loaded as a document.
bool LoadSettings(const wchar_t* path, CSettingsModel& model, WINDOWPLACEMENT& placement);

// Writes `model` and `placement` (the record only when its normal rectangle
// is not empty) in place of the file at `path` in one step. On failure the
// previous file is kept as it was; the result is false and the last error
// tells why.
bool SaveSettings(const wchar_t* path, const CSettingsModel& model,
                  const WINDOWPLACEMENT& placement);
