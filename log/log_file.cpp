#include "log/log_file.h"

#include <shlwapi.h>

#include <string>

#include "common/resource_string.h"
#include "common/version_info.h"
#include "log/logger.h"
#include "resources/resource.h"

namespace {
const wchar_t kSeparator[] =
    L"--------------------------------------------------------------------------------";

// Header lines are texts, not formats: a "%" in them is written as it is.
void WriteUnstamped(const wchar_t* text)
{
    Logger().LogText(L"%s", text);
}

CFileHandle OpenLogFile(const wchar_t* path, DWORD disposition)
{
    return CFileHandle(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool HasPath(const wchar_t* path)
{
    return path != nullptr && path[0] != L'\0';
}
} // namespace

void StartLog(const wchar_t* path)
{
    if (!HasPath(path))
        return;
    if (!PathFileExistsW(path)) {
        ResetLog(path);
        return;
    }
    CLogger& logger = Logger();
    if (!logger.IsOpen()) {
        CFileHandle file = OpenLogFile(path, OPEN_ALWAYS);
        if (!file)
            return;
        logger.AttachFile(std::move(file));
    }
    logger.MoveToEnd();

    logger.SetStamped(false);
    WriteUnstamped(kSeparator);
    logger.SetStamped(true);
    logger.LogMessage(IDS_LOG_STARTING);
}

void ResetLog(const wchar_t* path)
{
    CLogger& logger = Logger();
    if (!logger.IsOpen()) {
        if (!HasPath(path))
            return;
        CFileHandle file = OpenLogFile(path, CREATE_ALWAYS);
        if (!file)
            return;
        logger.AttachFile(std::move(file));
        static const BYTE byteOrderMark[] = {0xFF, 0xFE};
        logger.WriteBytes(byteOrderMark, sizeof byteOrderMark);
    }

    logger.SetStamped(false);
    std::wstring line;
    if (LoadResourceString(IDS_APP_NAME, line))
        WriteUnstamped(line.c_str());
    {
        CAppVersionInfo version;
        if (version.VersionLine(line))
            WriteUnstamped(line.c_str());
        if (version.LegalNoticeLine(line))
            WriteUnstamped(line.c_str());
    }
    WriteUnstamped(L"");
    WriteUnstamped(kSeparator);
    logger.SetStamped(true);
    logger.LogMessage(IDS_LOG_STARTING);
}

void StopLog()
{
    CLogger& logger = Logger();
    logger.LogMessage(IDS_LOG_STOPPING);
    logger.CloseFile();
    logger.SetStamped(true);
}

void CloseLog()
{
    Logger().CloseFile();
}

bool WaitForLogRelease(const wchar_t* path, DWORD timeout)
{
    if (!HasPath(path))
        return true;
    const DWORD poll = 50;
    for (DWORD waited = 0;; waited += poll) {
        CFileHandle probe(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (probe || GetLastError() != ERROR_SHARING_VIOLATION)
            return true;
        if (waited >= timeout)
            return false;
        Sleep(poll);
    }
}
