#pragma once
// The settings file on disk: read whole and parsed by MSXML, written by
// putting new content in place of the old in one step.
#include "common/handles.h"

#include <msxml2.h>

#include <string>

// A new document loaded from `path`: DOMDocument 6.0, else 3.0; synchronous,
// no validation, no external entities, no DTD where the class can refuse one.
// False, with the thread's last error set, when the file is missing,
// unreadable or not well-formed, or holds a DTD.
bool LoadXmlFile(const wchar_t* path, CComRef<IXMLDOMDocument2>& document);

// Writes `bytes` to a temporary file in the folder of `path` that then
// replaces `path` in one step, so the file on disk is always either the old
// content or the new one. On failure the old file is untouched, no temporary
// file remains, the result is false and the thread's last error tells why.
bool ReplaceFileContent(const wchar_t* path, const std::string& bytes);
