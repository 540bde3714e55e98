#include "tests/e2e/data_files.h"

#include "tests/e2e/tarvik_process.h"

#include <msxml2.h>
#include <shlobj.h>

#include <gtest/gtest.h>

namespace e2e {

namespace {

// MSXML 6's document class; no import library defines it.
const CLSID kDomDocument60 = {0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
const IID kIXMLDOMDocument = {0x2933bf81, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

std::wstring CompanyFolder();

// Every test empties the data folder. What the user of this prefix keeps
// there (`make run` shares it) is put aside for the run and brought back
// afterwards; a run that was cut short left it aside, and it is kept.
class CUserDataGuard : public ::testing::Environment
{
public:
    void SetUp() override
    {
        const std::wstring company = CompanyFolder();
        m_saved = company + L".e2e-saved";
        if (FolderExists(m_saved)) {
            RemoveTree(company);
            m_putAside = true;
        } else if (FolderExists(company)) {
            m_putAside = MoveFileW(company.c_str(), m_saved.c_str()) != FALSE;
        }
    }
    void TearDown() override
    {
        const std::wstring company = CompanyFolder();
        RemoveTree(company);
        if (m_putAside)
            MoveFileW(m_saved.c_str(), company.c_str());
    }

private:
    std::wstring m_saved;
    bool m_putAside = false;
};

::testing::Environment* const g_userDataGuard =
    ::testing::AddGlobalTestEnvironment(new CUserDataGuard);

std::wstring CompanyFolder()
{
    const std::wstring folder = DataFolder();
    return folder.substr(0, folder.find_last_of(L'\\'));
}

} // namespace

std::wstring DataFolder()
{
    wchar_t local[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, local);
    return std::wstring(local) + L"\\Tarvik Developers\\Tarvik";
}

std::wstring DataFile(const std::wstring& name) { return DataFolder() + L"\\" + name; }
std::wstring LogPath() { return DataFile(L"Tarvik.txt"); }
std::wstring SettingsPath() { return DataFile(L"Tarvik.xml"); }

void RemoveDataFolder()
{
    // The company folder too: a first start makes both.
    RemoveTree(CompanyFolder());
    ASSERT_FALSE(FolderExists(DataFolder())) << "a Tarvik process still holds a file of the data folder";
}

bool FileExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FolderExists(const std::wstring& path)
{
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ReadBytes(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string bytes;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return bytes;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    CloseHandle(file);
    return ok;
}

std::vector<std::wstring> LogLines(const std::wstring& path)
{
    std::string bytes = ReadBytes(path);
    size_t offset = bytes.compare(0, 2, "\xFF\xFE") == 0 ? 2 : 0;
    std::wstring text;
    for (size_t i = offset; i + 1 < bytes.size(); i += 2)
        text += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                     static_cast<unsigned char>(bytes[i + 1]) << 8);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

std::wstring WithoutStamp(const std::wstring& line)
{
    // Every date format starts with a digit; the header lines do not.
    const size_t gap = line.find(L"  ");
    if (line.empty() || !iswdigit(line[0]) || gap == std::wstring::npos)
        return line;
    return line.substr(gap + 2);
}

std::vector<std::wstring> LogEvents(const std::wstring& path, size_t first)
{
    std::vector<std::wstring> events;
    const std::vector<std::wstring> lines = LogLines(path);
    for (size_t i = first; i < lines.size(); ++i) {
        if (!lines[i].empty() && iswdigit(lines[i][0]))
            events.push_back(WithoutStamp(lines[i]));
    }
    return events;
}

bool WaitForLogEvent(const std::wstring& text, const std::wstring& path, size_t first)
{
    return WaitFor([&] {
        for (const std::wstring& event : LogEvents(path, first)) {
            if (event == text)
                return true;
        }
        return false;
    });
}

bool HasPrefix(const std::wstring& text, const std::wstring& prefix)
{
    return text.compare(0, prefix.size(), prefix) == 0;
}

void WriteSettings(const std::string& body)
{
    const std::wstring folder = DataFolder();
    CreateDirectoryW(folder.substr(0, folder.find_last_of(L'\\')).c_str(), nullptr);
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(WriteBytes(SettingsPath(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + body));
}

CSettingsFile::CSettingsFile(const std::wstring& path)
{
    if (FAILED(CoCreateInstance(kDomDocument60, nullptr, CLSCTX_INPROC_SERVER, kIXMLDOMDocument,
                                reinterpret_cast<void**>(&m_document))))
        return;
    m_document->put_async(VARIANT_FALSE);
    VARIANT source;
    VariantInit(&source);
    source.vt = VT_BSTR;
    source.bstrVal = SysAllocString(path.c_str());
    VARIANT_BOOL loaded = VARIANT_FALSE;
    const HRESULT result = m_document->load(source, &loaded);
    VariantClear(&source);
    if (FAILED(result) || loaded != VARIANT_TRUE) {
        m_document->Release();
        m_document = nullptr;
    }
}

CSettingsFile::~CSettingsFile()
{
    if (m_document)
        m_document->Release();
}

bool CSettingsFile::Has(const wchar_t* xpath) const { return Value(xpath) != L"<missing>"; }

std::wstring CSettingsFile::Value(const wchar_t* xpath) const
{
    std::wstring value = L"<missing>";
    if (!m_document)
        return value;
    BSTR query = SysAllocString(xpath);
    IXMLDOMNode* node = nullptr;
    if (m_document->selectSingleNode(query, &node) == S_OK && node) {
        BSTR text = nullptr;
        if (SUCCEEDED(node->get_text(&text)))
            value = text ? std::wstring(text, SysStringLen(text)) : std::wstring();
        SysFreeString(text);
        node->Release();
    }
    SysFreeString(query);
    return value;
}

} // namespace e2e
