#pragma once
// Keeps the current user's start-at-log-on value "Tarvik" as a test found it
// and puts it back afterwards, whatever the test wrote.
#include <windows.h>

#include <string>
#include <vector>

class CRunValueBackup
{
public:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    static constexpr const wchar_t* kValue = L"Tarvik";

    CRunValueBackup()
    {
        DWORD size = 0;
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY | RRF_NOEXPAND, &m_type,
                         nullptr, &size) != ERROR_SUCCESS)
            return;
        m_data.resize(size);
        m_present = RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY | RRF_NOEXPAND,
                                 &m_type, m_data.data(), &size) == ERROR_SUCCESS;
        m_data.resize(size);
    }
    ~CRunValueBackup()
    {
        if (m_present)
            RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, m_type, m_data.data(),
                            static_cast<DWORD>(m_data.size()));
        else
            RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }
    CRunValueBackup(const CRunValueBackup&) = delete;
    CRunValueBackup& operator=(const CRunValueBackup&) = delete;

    static bool Write(DWORD type, const void* data, DWORD size)
    {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, type, data, size) ==
               ERROR_SUCCESS;
    }
    static bool WriteText(DWORD type, const std::wstring& text)
    {
        return Write(type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    static void Delete() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue); }
    // The stored value (type and raw text); false when there is none.
    static bool Read(DWORD& type, std::wstring& text)
    {
        wchar_t buffer[1024] = {};
        DWORD size = sizeof(buffer) - sizeof(wchar_t);
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, kValue, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer,
                         &size) != ERROR_SUCCESS)
            return false;
        text = buffer;
        return true;
    }

private:
    bool m_present = false;
    DWORD m_type = 0;
    std::vector<BYTE> m_data;
};
