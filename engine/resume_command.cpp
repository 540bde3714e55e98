#include "engine/resume_command.h"

#include <cwctype>

#include "engine/power_engine.h"
#include "log/logger.h"
#include "resources/resource.h"

CCommandParts SplitCommand(const std::wstring& text)
{
    CCommandParts parts;
    if (!text.empty() && text[0] == L'"') {
        size_t closing = text.find(L'"', 1);
        if (closing == std::wstring::npos) {
            parts.file = text.substr(1);
        } else {
            parts.file = text.substr(1, closing - 1);
            parts.parameters = text.substr(closing + 1);
        }
        return parts;
    }
    size_t space = text.find(L' ', 1);
    if (space == std::wstring::npos) {
        parts.file = text;
    } else {
        parts.file = text.substr(0, space);
        parts.parameters = text.substr(space + 1);
    }
    return parts;
}

bool IsProgramFile(const std::wstring& file)
{
    // A scheme of two letters or more before a colon is a URL ("C:" is a drive).
    const size_t colon = file.find(L':');
    if (colon != std::wstring::npos && colon >= 2) {
        bool scheme = std::iswalpha(file[0]) != 0;
        for (size_t i = 1; i < colon && scheme; ++i)
            scheme =
                std::iswalnum(file[i]) || file[i] == L'+' || file[i] == L'.' || file[i] == L'-';
        if (scheme)
            return false;
    }
    const size_t name = file.find_last_of(L"\\/:");
    const size_t dot = file.find_last_of(L'.');
    if (dot == std::wstring::npos || (name != std::wstring::npos && dot < name))
        return true; // no extension: the shell looks for a program of that name
    std::wstring extension = file.substr(dot);
    for (wchar_t& c : extension)
        c = static_cast<wchar_t>(std::towlower(c));
    for (const wchar_t* program : {L".exe", L".com", L".bat", L".cmd"}) {
        if (extension == program)
            return true;
    }
    return false;
}

std::wstring MapToNativeSystemFolder(const std::wstring& file, const CSystemFolders& folders,
                                     const std::function<bool(const std::wstring&)>& exists)
{
    if (!folders.wow64 || folders.system.empty() || folders.windows.empty() || file.empty())
        return file;
    const std::wstring native = folders.windows + L"\\Sysnative";
    const std::wstring prefix = folders.system + L"\\";
    if (file.size() > prefix.size() &&
        CompareStringOrdinal(file.c_str(), static_cast<int>(prefix.size()), prefix.c_str(),
                             static_cast<int>(prefix.size()), TRUE) == CSTR_EQUAL)
        return native + file.substr(prefix.size() - 1);
    if (file.find_first_of(L"\\/:") != std::wstring::npos)
        return file;
    // A bare name the shell would look for in the system folder, where the
    // redirected view lacks it and the 64-bit one has it.
    for (const wchar_t* suffix : {L"", L".exe"}) {
        const std::wstring name = file + suffix;
        if (exists(prefix + name))
            return file;
        if (exists(native + L"\\" + name))
            return native + L"\\" + name;
    }
    return file;
}

void CPowerEngine::RunResumeCommand()
{
    CCommandParts parts = SplitCommand(m_model.Command.text);
    const std::wstring file = m_system.NativeFilePath(parts.file);

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // No box of errors on an unattended computer: a failure goes to the log.
    // A program is watched until it ends; a URL or document is not.
    info.fMask = SEE_MASK_UNICODE | SEE_MASK_FLAG_NO_UI |
                 (IsProgramFile(file) ? SEE_MASK_NOCLOSEPROCESS : 0);
    info.hwnd = m_system.GetActiveWindow();
    info.lpVerb = L"open";
    info.lpFile = file.c_str();
    info.lpParameters = parts.parameters.c_str(); // an empty text, never null
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    if (!m_system.ExecuteShell(&info)) {
        Logger().LogLastError(IDS_LOG_COMMAND_FAILED);
        return;
    }
    if (info.hProcess) {
        // Held awake until it ends: a backup must finish.
        m_commandProcess.Reset(info.hProcess);
        StartWakeWatch();
        UpdateExecutionState();
    }
}
