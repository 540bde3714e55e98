#pragma once
// Keeps the current user's start-at-log-on value "Tarvik", and Task Manager's
// record of it, as a test found them and puts them back afterwards, whatever
// the test wrote.
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "common/handles.h"

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

// The value "Tarvik" under Explorer\StartupApproved\Run, where Task Manager
// records that the user turned the Run value off. The record is not
// documented: its form rests on public observation of Task Manager. Keys the test created are
// removed again.
class CStartupRecordBackup
{
public:
    static constexpr const wchar_t* kParent =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved";
    static constexpr const wchar_t* kKey =
        L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";
    using Bytes = std::vector<BYTE>;

    CStartupRecordBackup()
        : m_parentExisted(KeyExists(kParent)), m_keyExisted(KeyExists(kKey)),
          m_present(Read(m_type, m_data))
    {
    }
    ~CStartupRecordBackup()
    {
        if (m_present)
            Write(m_type, m_data);
        else
            Delete();
        if (!m_keyExisted)
            RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
        if (!m_parentExisted)
            RegDeleteKeyW(HKEY_CURRENT_USER, kParent);
    }
    CStartupRecordBackup(const CStartupRecordBackup&) = delete;
    CStartupRecordBackup& operator=(const CStartupRecordBackup&) = delete;

    // Task Manager's forms: on, and off since now with `first` as its first byte.
    static Bytes On() { return Bytes{0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; }
    static Bytes Off(BYTE first = 0x03)
    {
        FILETIME time;
        GetSystemTimeAsFileTime(&time);
        Bytes data(12, 0);
        data[0] = first;
        CopyMemory(&data[4], &time, sizeof(time));
        return data;
    }

    static bool Write(DWORD type, const Bytes& data)
    {
        return RegSetKeyValueW(HKEY_CURRENT_USER, kKey, L"Tarvik", type, data.data(),
                               static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
    }
    static bool Write(const Bytes& data) { return Write(REG_BINARY, data); }
    static void Delete() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, L"Tarvik"); }
    // The stored value; false when there is none.
    static bool Read(DWORD& type, Bytes& data)
    {
        BYTE buffer[256] = {};
        DWORD size = sizeof(buffer);
        if (RegGetValueW(HKEY_CURRENT_USER, kKey, L"Tarvik", RRF_RT_ANY | RRF_NOEXPAND, &type,
                         buffer, &size) != ERROR_SUCCESS)
            return false;
        data.assign(buffer, buffer + size);
        return true;
    }
    // The stored bytes, whatever their type; none when there is no value.
    static std::optional<Bytes> Read()
    {
        DWORD type = 0;
        Bytes data;
        if (!Read(type, data))
            return std::nullopt;
        return data;
    }

private:
    static bool KeyExists(const wchar_t* path)
    {
        CRegistryKey key;
        return RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, key.Receive()) == ERROR_SUCCESS;
    }

    const bool m_parentExisted;
    const bool m_keyExisted;
    DWORD m_type = 0;
    Bytes m_data;
    const bool m_present;
};
