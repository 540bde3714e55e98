#include "settings/xml_file.h"

#include "common/handles.h"

#include <shlwapi.h>

#include <string>
#include <vector>

namespace {

// The attributes of one element into `attributes` (cleared first).
HRESULT CollectAttributes(IXMLDOMNode* node, IMXAttributes* attributes)
{
    HRESULT hr = attributes->clear();
    if (FAILED(hr))
        return hr;
    CComRef<IXMLDOMNamedNodeMap> map;
    if (FAILED(hr = node->get_attributes(map.Receive())) || !map)
        return hr;
    long count = 0;
    if (FAILED(hr = map->get_length(&count)))
        return hr;
    CBstr noUri(L""), cdata(L"CDATA"), empty(L"");
    if (!noUri.Get() || !cdata.Get() || !empty.Get())
        return E_OUTOFMEMORY;
    for (long i = 0; i < count; ++i) {
        CComRef<IXMLDOMNode> attribute;
        if (FAILED(hr = map->get_item(i, attribute.Receive())))
            return hr;
        if (!attribute)
            continue;
        CBstr name, value;
        if (FAILED(hr = attribute->get_nodeName(name.Receive())) ||
            FAILED(hr = attribute->get_text(value.Receive())))
            return hr;
        hr = attributes->addAttribute(noUri.Get(), name.Get(), name.Get(), cdata.Get(),
                                      value.Get() ? value.Get() : empty.Get());
        if (FAILED(hr))
            return hr;
    }
    return S_OK;
}

struct CSaxTarget
{
    IMXWriter* writer;
    ISAXContentHandler* handler;
    IMXAttributes* attributes;
    ISAXAttributes* saxAttributes;
};

// Writes `text` as it is: no writer escapes or changes it, so every platform's
// writer puts out the same bytes.
HRESULT WriteLiteral(const CSaxTarget& target, const std::wstring& text)
{
    if (text.empty())
        return S_OK; // an empty call would end an empty element's self-closed tag
    HRESULT hr = target.writer->put_disableOutputEscaping(VARIANT_TRUE);
    if (SUCCEEDED(hr))
        hr = target.handler->characters(text.data(), static_cast<int>(text.size()));
    HRESULT restored = target.writer->put_disableOutputEscaping(VARIANT_FALSE);
    return FAILED(hr) ? hr : restored;
}

// The line break and the indentation before a tag at nesting `depth`.
HRESULT WriteLineBreak(const CSaxTarget& target, int depth)
{
    return WriteLiteral(target, L"\r\n" + std::wstring(static_cast<size_t>(depth), L'\t'));
}

// The text of an element as markup: the markup characters escaped, and CR as
// a reference, which a reader's line-end handling would otherwise turn into LF.
std::wstring EscapeText(const wchar_t* text, size_t length)
{
    std::wstring markup;
    markup.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        switch (text[i]) {
        case L'&':
            markup += L"&amp;";
            break;
        case L'<':
            markup += L"&lt;";
            break;
        case L'>':
            markup += L"&gt;";
            break;
        case L'\r':
            markup += L"&#13;";
            break;
        default:
            markup += text[i];
            break;
        }
    }
    return markup;
}

HRESULT WriteText(const CSaxTarget& target, IXMLDOMNode* node)
{
    CVariant value;
    HRESULT hr = node->get_nodeValue(value.Receive());
    if (FAILED(hr) || value.Get().vt != VT_BSTR)
        return hr;
    BSTR text = value.Get().bstrVal;
    return WriteLiteral(target, EscapeText(text ? text : L"", SysStringLen(text)));
}

struct CChild
{
    CComRef<IXMLDOMNode> node;
    DOMNodeType type;
};

// The element and its content, one element per line, indented by depth with
// TABs. Line breaks go only between elements that hold elements alone, so the
// text of an element is exactly its value.
HRESULT WriteElement(const CSaxTarget& target, IXMLDOMNode* element, int depth)
{
    CBstr name;
    HRESULT hr;
    if (FAILED(hr = element->get_nodeName(name.Receive())))
        return hr;
    if (FAILED(hr = CollectAttributes(element, target.attributes)))
        return hr;

    // The settings never hold comments or instructions: elements and text only.
    std::vector<CChild> children;
    bool holdsText = false;
    CComRef<IXMLDOMNode> child;
    if (FAILED(hr = element->get_firstChild(child.Receive())))
        return hr;
    while (child) {
        DOMNodeType type = NODE_INVALID;
        if (FAILED(hr = child->get_nodeType(&type)))
            return hr;
        if (type == NODE_TEXT || type == NODE_CDATA_SECTION)
            holdsText = true;
        if (type == NODE_ELEMENT || type == NODE_TEXT || type == NODE_CDATA_SECTION)
            children.push_back(CChild{child, type});
        CComRef<IXMLDOMNode> next;
        if (FAILED(hr = child->get_nextSibling(next.Receive())))
            return hr;
        child = std::move(next);
    }

    int length = static_cast<int>(name.Length());
    hr = target.handler->startElement(L"", 0, name.Text(), length, name.Text(), length,
                                      target.saxAttributes);
    if (FAILED(hr))
        return hr;
    bool holdsElements = false;
    for (const CChild& item : children) {
        if (item.type != NODE_ELEMENT) {
            hr = WriteText(target, item.node.Get());
        } else {
            holdsElements = true;
            if (!holdsText)
                hr = WriteLineBreak(target, depth + 1);
            if (SUCCEEDED(hr))
                hr = WriteElement(target, item.node.Get(), depth + 1);
        }
        if (FAILED(hr))
            return hr;
    }
    if (holdsElements && !holdsText && FAILED(hr = WriteLineBreak(target, depth)))
        return hr;
    return target.handler->endElement(L"", 0, name.Text(), length, name.Text(), length);
}

HRESULT SetupWriter(IMXWriter* writer, IStream* stream)
{
    CBstr encoding(L"utf-8");
    if (!encoding.Get())
        return E_OUTOFMEMORY;
    HRESULT hr;
    if (FAILED(hr = writer->put_omitXMLDeclaration(VARIANT_FALSE)) ||
        FAILED(hr = writer->put_standalone(VARIANT_TRUE)) ||
        // Our own walk breaks the lines: the writer's indentation would also
        // add a line break and TABs to the text of some elements.
        FAILED(hr = writer->put_indent(VARIANT_FALSE)) ||
        FAILED(hr = writer->put_encoding(encoding.Get())))
        return hr;
    // The same bytes on every platform: no byte-order mark before the declaration.
    writer->put_byteOrderMark(VARIANT_FALSE);
    CVariant output;
    output.SetUnknown(stream);
    return writer->put_output(output.Get());
}

// A new empty file beside `path`, under a name that no file had yet.
bool MakeTemporaryFile(const wchar_t* path, std::wstring& temporary)
{
    std::wstring folder = path;
    size_t slash = folder.find_last_of(L"\\/");
    // The separator stays, so that "C:\\" does not become the current folder of C:.
    folder = slash == std::wstring::npos ? std::wstring(L".") : folder.substr(0, slash + 1);
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(folder.c_str(), L"tvk", 0, name))
        return false;
    temporary = name;
    return true;
}

// Makes sure the temporary file's content is on disk before it replaces the old file.
bool FlushFile(const wchar_t* path)
{
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && FlushFileBuffers(file.Get());
}

HRESULT WriteToFile(IXMLDOMDocument2* document, const wchar_t* path)
{
    CComRef<IStream> stream;
    HRESULT hr = SHCreateStreamOnFileEx(
        path, STGM_WRITE | STGM_SHARE_DENY_WRITE | STGM_CREATE | STGM_SIMPLE,
        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, TRUE, nullptr, stream.Receive());
    if (FAILED(hr))
        return hr;
    if (FAILED(hr = SerializeXml(document, stream.Get())))
        return hr;
    hr = stream->Commit(STGC_DEFAULT);
    return hr == E_NOTIMPL ? S_OK : hr;
}

// Another process replacing the file holds it for a moment: so few tries, so
// short a wait, that a file kept open by someone else costs a fraction of a second.
const int SHARING_TRIES = 10;
const DWORD SHARING_WAIT = 20; // milliseconds

bool IsBusy(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION;
}

// Far more than any settings file: a bigger one is not read into memory.
const LONGLONG MAX_FILE_SIZE = 64 * 1024 * 1024;

// The file's content as a stream in memory.
bool ReadWholeFile(const wchar_t* path, CComRef<IStream>& stream)
{
    CFileHandle file;
    for (int attempt = 1;; ++attempt) {
        // Delete sharing lets a save replace the file while it is read.
        file.Reset(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (file || GetLastError() != ERROR_SHARING_VIOLATION || attempt == SHARING_TRIES)
            break;
        Sleep(SHARING_WAIT);
    }
    if (!file)
        return false;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return false;
    if (size.QuadPart > MAX_FILE_SIZE) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    CHeapBlock content(static_cast<SIZE_T>(size.QuadPart));
    if (!content) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    DWORD total = 0;
    while (total < size.QuadPart) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), content.As<BYTE>() + total,
                      static_cast<DWORD>(size.QuadPart) - total, &read, nullptr))
            return false;
        if (read == 0)
            break; // the file became shorter: parse what there is
        total += read;
    }
    stream.Reset(SHCreateMemStream(content.As<BYTE>(), total));
    if (!stream) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    return true;
}

// Puts `temporary` in place of `path`, waiting a little for a reader that holds it.
bool ReplaceWith(const wchar_t* temporary, const wchar_t* path)
{
    for (int attempt = 1;; ++attempt) {
        if (MoveFileExW(temporary, path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        if (!IsBusy(GetLastError()) || attempt == SHARING_TRIES)
            return false;
        Sleep(SHARING_WAIT);
    }
}

// A read-only file or a folder at `path` is refused as the platform's own
// file replacement would; some platforms replace them regardless.
bool IsReplaceable(const wchar_t* path)
{
    DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return true; // missing: created; an unusable folder fails later
    if (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    return true;
}

// A new document parsed from the bytes of `stream`, read from its current position.
bool LoadXmlStream(IStream* stream, CComRef<IXMLDOMDocument2>& document)
{
    document.Reset();
    CComRef<IXMLDOMDocument2> loaded;
    HRESULT hr = CXmlNode::CreateDocument(loaded);
    if (FAILED(hr)) {
        SetLastErrorFromResult(hr);
        return false;
    }
    CVariant source;
    source.SetUnknown(stream);
    VARIANT_BOOL success = VARIANT_FALSE;
    hr = loaded->load(source.Get(), &success);
    if (FAILED(hr) || success != VARIANT_TRUE) {
        SetLastErrorFromResult(FAILED(hr) ? hr : HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
        return false;
    }
    // Not one of ours: the settings never carry a document type.
    CComRef<IXMLDOMDocumentType> doctype;
    if (SUCCEEDED(loaded->get_doctype(doctype.Receive())) && doctype) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    document = std::move(loaded);
    return true;
}

} // namespace

void SetLastErrorFromResult(HRESULT hr)
{
    SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr)
                                                        : static_cast<DWORD>(hr));
}

bool LoadXmlFile(const wchar_t* path, CComRef<IXMLDOMDocument2>& document)
{
    document.Reset();
    if (!path || !path[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    // The whole file is read at once and parsed from memory: a save that
    // replaces the file meanwhile cannot mix two versions.
    CComRef<IStream> stream;
    return ReadWholeFile(path, stream) && LoadXmlStream(stream.Get(), document);
}

HRESULT SerializeXmlWith(const CXmlWriterClasses& classes, IXMLDOMDocument2* document,
                         IStream* stream)
{
    CComRef<IMXWriter> writer;
    HRESULT hr = CoCreateInstance(classes.writer, nullptr, CLSCTX_INPROC_SERVER, IID_IMXWriter,
                                  writer.ReceiveVoid());
    if (FAILED(hr))
        return hr;
    CComRef<IMXAttributes> attributes;
    if (FAILED(hr = CoCreateInstance(classes.attributes, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IMXAttributes, attributes.ReceiveVoid())))
        return hr;
    CComRef<ISAXAttributes> saxAttributes;
    CComRef<ISAXContentHandler> handler;
    if (FAILED(hr = attributes.Query(IID_ISAXAttributes, saxAttributes)) ||
        FAILED(hr = writer.Query(IID_ISAXContentHandler, handler)))
        return hr;
    if (FAILED(hr = SetupWriter(writer.Get(), stream)))
        return hr;

    CComRef<IXMLDOMElement> root;
    if (FAILED(hr = document->get_documentElement(root.Receive())))
        return hr;
    if (!root)
        return E_UNEXPECTED;

    CSaxTarget target{writer.Get(), handler.Get(), attributes.Get(), saxAttributes.Get()};
    if (FAILED(hr = handler->startDocument()) || FAILED(hr = WriteElement(target, root.Get(), 0)) ||
        FAILED(hr = handler->endDocument()) || FAILED(hr = writer->flush()))
        return hr;
    // Lets go of the stream, so that the caller's release closes the file.
    CVariant none;
    writer->put_output(none.Get());
    return S_OK;
}

const CXmlWriterClasses XML_WRITER_60 = {CLSID_MXXMLWriter60, CLSID_SAXAttributes60};
const CXmlWriterClasses XML_WRITER_30 = {CLSID_MXXMLWriter30, CLSID_SAXAttributes30};

HRESULT SerializeXml(IXMLDOMDocument2* document, IStream* stream)
{
    // Where 6.0 is missing or broken the documents are 3.0 as well; the older
    // writer gets its turn as long as nothing reached the stream.
    HRESULT hr = SerializeXmlWith(XML_WRITER_60, document, stream);
    if (SUCCEEDED(hr))
        return hr;
    LARGE_INTEGER zero{};
    ULARGE_INTEGER position{};
    if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &position)) || position.QuadPart != 0)
        return hr;
    return SerializeXmlWith(XML_WRITER_30, document, stream);
}

bool SaveXmlFile(IXMLDOMDocument2* document, const wchar_t* path)
{
    if (!document || !path || !path[0]) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::wstring temporary;
    if (!IsReplaceable(path) || !MakeTemporaryFile(path, temporary))
        return false;

    bool saved = false;
    HRESULT hr = WriteToFile(document, temporary.c_str());
    if (FAILED(hr))
        SetLastErrorFromResult(hr);
    else
        saved = FlushFile(temporary.c_str()) && ReplaceWith(temporary.c_str(), path);
    if (!saved) {
        DWORD error = GetLastError();
        DeleteFileW(temporary.c_str());
        SetLastError(error);
    }
    return saved;
}
