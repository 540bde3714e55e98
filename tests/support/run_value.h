#pragma once
// Keeps the current user's start-at-log-on value "Tarvik" as a test found it
// and puts it back afterwards, whatever the test wrote.
#include <windows.h>

#include <string>

class CRunValueBackup
{
public:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

    CRunValueBackup() { m_present = Read(m_type, m_data); }
    ~CRunValueBackup()
    {
        if (m_present)
            WriteText(m_type, m_data);
        else
            Delete();
    }
    CRunValueBackup(const CRunValueBackup&) = delete;
    CRunValueBackup& operator=(const CRunValueBackup&) = delete;

    // The text with its terminator, under any type.
    static bool WriteText(DWORD type, const std::wstring& text)
    {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Tarvik", type, text.c_str(),
                               static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) ==
               ERROR_SUCCESS;
    }
    static void Delete() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Tarvik"); }
    // The stored value (type and text); false when there is none.
    static bool Read(DWORD& type, std::wstring& text)
    {
        wchar_t buffer[1024] = {};
        DWORD size = sizeof(buffer) - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"Tarvik", RRF_RT_ANY | RRF_NOEXPAND, &type,
                         buffer, &size) != ERROR_SUCCESS)
            return false;
        text = buffer;
        return true;
    }

private:
    bool m_present = false;
    DWORD m_type = 0;
    std::wstring m_data;
};
