#include "tests/settings/settings_test_support.h"

#include "common/handles.h"
#include "settings/settings_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

namespace {

// COM on the test thread for the whole run, as the program's UI thread has it.
class CComEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    }
    void TearDown() override { CoUninitialize(); }
};

const ::testing::Environment* const comEnvironment =
    ::testing::AddGlobalTestEnvironment(new CComEnvironment);

// Names of the entries of `folder`, sorted.
std::vector<std::wstring> EntryNames(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveTree(const std::wstring& folder)
{
    for (const std::wstring& name : EntryNames(folder)) {
        const std::wstring path = folder + L"\\" + name;
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (!DeleteFileW(path.c_str()))
            RemoveTree(path);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

CTestFolder::CTestFolder()
{
    static unsigned counter = 0;
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    wchar_t name[64];
    _snwprintf(name, 64, L"settings-%lu-%u", GetCurrentProcessId(), ++counter);
    name[63] = L'\0';
    m_path = std::wstring(temp) + name;
    RemoveTree(m_path);
    CreateDirectoryW(m_path.c_str(), nullptr);
}

CTestFolder::~CTestFolder() { RemoveTree(m_path); }

std::vector<std::wstring> CTestFolder::Names() const { return EntryNames(m_path); }

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                     nullptr) &&
           written == bytes.size();
}

std::string ReadBytes(const std::wstring& path)
{
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::string bytes;
    if (!file)
        return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read)
        bytes.append(buffer, read);
    return bytes;
}

std::wstring Utf8ToWide(const std::string& bytes)
{
    if (bytes.empty())
        return std::wstring();
    int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                   nullptr, 0);
    std::wstring text(size, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0], size);
    return text;
}

std::string WideToUtf8(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                   nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], size,
                        nullptr, nullptr);
    return bytes;
}

std::string SettingsDocument(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n" + body + "\r\n";
}

bool SameTime(const SYSTEMTIME& a, const SYSTEMTIME& b)
{
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay &&
           a.wHour == b.wHour && a.wMinute == b.wMinute && a.wSecond == b.wSecond &&
           a.wMilliseconds == b.wMilliseconds;
}

std::string TimeText(const SYSTEMTIME& t)
{
    char text[64];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay,
             t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

SYSTEMTIME LocalOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second,
                   WORD milliseconds)
{
    SYSTEMTIME utc{year, month, 0, day, hour, minute, second, milliseconds};
    SYSTEMTIME local{};
    EXPECT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
    return local;
}

std::string ModelText(const CSettingsModel& m)
{
    char text[512];
    snprintf(text, sizeof(text),
             "minimized=%d allowed=%d blanking=%d condition=%d endpoint=%d ports=%s "
             "resume=%d mode=%d delay=%d time=%s suspend=%d delay=%d state=%d run=%d ",
             m.Window.minimized, m.Suspend.allowed, m.Suspend.blanking, m.Suspend.condition,
             m.TcpPorts.endpoint, WideToUtf8(FormatPortList(m.TcpPorts.list)).c_str(),
             m.AutoResume.enabled, m.AutoResume.mode, m.AutoResume.delay,
             TimeText(m.AutoResume.time).c_str(), m.AutoSuspend.enabled, m.AutoSuspend.delay,
             m.AutoSuspend.state, m.Command.run);
    return text + ("text=[" + WideToUtf8(m.Command.text) + "]");
}

std::string PlacementText(const WINDOWPLACEMENT& p)
{
    char text[256];
    snprintf(text, sizeof(text), "length=%u flags=%u show=%u min=%ld,%ld max=%ld,%ld rect=%ld,%ld,%ld,%ld",
             p.length, p.flags, p.showCmd, p.ptMinPosition.x, p.ptMinPosition.y,
             p.ptMaxPosition.x, p.ptMaxPosition.y, p.rcNormalPosition.left,
             p.rcNormalPosition.top, p.rcNormalPosition.right, p.rcNormalPosition.bottom);
    return text;
}
