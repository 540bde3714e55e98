#pragma once
// Reading an XML document from a file and writing one back as indented UTF-8.
#include "settings/xml_node.h"

// A new document (CXmlNode::CreateDocument) loaded from `path`. False, with
// the thread's last error set, when the file is missing, unreadable or not
// well-formed, or holds a DTD.
bool LoadXmlFile(const wchar_t* path, CComRef<IXMLDOMDocument2>& document);

// Writes `document` to `path` as UTF-8 without a byte-order mark: the
// declaration <?xml version="1.0" encoding="utf-8" standalone="yes"?>, then
// one element per line, indented by one TAB per level, lines ending in CR LF
// and no line break after the last. Only elements and text are written, and an
// element's text is exactly its value. The text goes to a temporary file in the same
// folder that then replaces `path` in one step, so the file on disk is always
// either the old document or the new one. On failure the old file is
// untouched, no temporary file remains, the result is false and the thread's
// last error tells why.
bool SaveXmlFile(IXMLDOMDocument2* document, const wchar_t* path);

// Leaves `hr` as the thread's last error: the Win32 code it carries, or the
// HRESULT itself.
void SetLastErrorFromResult(HRESULT hr);

// Feeds the element tree of `document` to an MXXMLWriter writing to `stream`
// in the form SaveXmlFile describes: the 6.0 classes, or the 3.0 ones when
// 6.0 fails before writing anything. Element text is escaped here and written
// as it is; attribute values are left to the writer to escape.
HRESULT SerializeXml(IXMLDOMDocument2* document, IStream* stream);

// The writer and attribute classes of one MSXML version.
struct CXmlWriterClasses
{
    const CLSID& writer;
    const CLSID& attributes;
};
extern const CXmlWriterClasses XML_WRITER_60;
extern const CXmlWriterClasses XML_WRITER_30;

// SerializeXml with the classes of one version only.
HRESULT SerializeXmlWith(const CXmlWriterClasses& classes, IXMLDOMDocument2* document,
                         IStream* stream);
