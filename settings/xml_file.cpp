#include "settings/xml_file.h"

#include "common/handles.h"

#include <shlwapi.h>

#include <string>

namespace {

// The ids of the DOM classes and of their interface, which no import library
// of the toolchain holds.
const CLSID kDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const CLSID kDomDocument30 = {
    0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};
const IID kXmlDomDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

void SetLastErrorFromResult(HRESULT hr)
{
    SetLastError(HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr)
                                                        : static_cast<DWORD>(hr));
}

// A property a DOM class may not know: the document is usable without it.
void TrySetProperty(IXMLDOMDocument2* document, const wchar_t* name, const VARIANT& value)
{
    CBstr property(name);
    if (property.Get())
        document->setProperty(property.Get(), value);
}

HRESULT CreateDocument(CComRef<IXMLDOMDocument2>& document)
{
    HRESULT hr = CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kXmlDomDocument2,
                                  document.ReceiveVoid());
    if (FAILED(hr))
        hr = CoCreateInstance(kDomDocument30, nullptr, CLSCTX_INPROC_SERVER, kXmlDomDocument2,
                              document.ReceiveVoid());
    if (FAILED(hr))
        return hr;

    // The file is ours and small: nothing outside it is ever read.
    if (FAILED(hr = document->put_async(VARIANT_FALSE)) ||
        FAILED(hr = document->put_validateOnParse(VARIANT_FALSE)) ||
        FAILED(hr = document->put_resolveExternals(VARIANT_FALSE))) {
        document.Reset();
        return hr;
    }
    CVariant value;
    value.SetBool(true);
    TrySetProperty(document.Get(), L"ProhibitDTD", value.Get());
    value.SetBool(false);
    TrySetProperty(document.Get(), L"AllowDocumentFunction", value.Get());
    TrySetProperty(document.Get(), L"AllowXsltScript", value.Get());
    // 3.0 selects with XSL patterns unless told otherwise.
    if (value.SetText(L"XPath"))
        TrySetProperty(document.Get(), L"SelectionLanguage", value.Get());
    return S_OK;
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

// Writes `bytes` to the empty file at `path` and makes sure they are on disk
// before it replaces the old file.
bool WriteWholeFile(const wchar_t* path, const std::string& bytes)
{
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           FlushFileBuffers(file.Get());
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
    HRESULT hr = CreateDocument(loaded);
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

bool ReplaceFileContent(const wchar_t* path, const std::string& bytes)
{
    if (!path || !path[0]) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    std::wstring temporary;
    if (!IsReplaceable(path) || !MakeTemporaryFile(path, temporary))
        return false;
    const bool saved =
        WriteWholeFile(temporary.c_str(), bytes) && ReplaceWith(temporary.c_str(), path);
    if (!saved) {
        CKeepLastError keep;
        DeleteFileW(temporary.c_str());
    }
    return saved;
}
