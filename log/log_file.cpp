#include "log/log_file.h"

#include <shlwapi.h>

#include <string>

#include "common/resource_string.h"
#include "common/version_info.h"
#include "log/logger.h"
#include "resources/resource.h"

namespace
{
const wchar_t kSeparator[] =
    L"--------------------------------------------------------------------------------";

// Header lines are texts, not formats: a "%" in them is written as it is.
void WriteUnstamped(const wchar_t* text)
{
    Logger().LogText(L"%s", text);
}

// A copy of the program that is handing over to this one (a takeover start)
// holds the file until it has saved and ended, a moment after this copy
// starts: wait for it briefly rather than run without a log.
const DWORD kSharingWait = 3000;
const DWORD kSharingPoll = 50;

CFileHandle OpenLogFile(const wchar_t* path, DWORD disposition)
{
    for (DWORD waited = 0;; waited += kSharingPoll) {
        CFileHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file || GetLastError() != ERROR_SHARING_VIOLATION || waited >= kSharingWait)
            return file;
        Sleep(kSharingPoll);
    }
}

bool HasPath(const wchar_t* path)
{
    return path != nullptr && path[0] != L'\0';
}
}

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
