#pragma once
// The MSXML interfaces and the class ids the settings file uses. The platform
// headers declare most names but not the 6.0 classes; msxml_guids.cpp defines
// every id that no import library provides.
#include <windows.h>
#include <msxml2.h>

EXTERN_C const CLSID CLSID_DOMDocument60;
EXTERN_C const CLSID CLSID_SAXAttributes60;
EXTERN_C const CLSID CLSID_MXXMLWriter60;
