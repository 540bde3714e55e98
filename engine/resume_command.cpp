#include "engine/resume_command.h"

#include "engine/power_engine.h"

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

void CPowerEngine::RunResumeCommand()
{
    CCommandParts parts = SplitCommand(m_model.Command.text);

    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_UNICODE;
    info.hwnd = m_system.GetActiveWindow();
    info.lpVerb = L"open";
    info.lpFile = parts.file.c_str();
    info.lpParameters = parts.parameters.c_str(); // an empty text, never null
    info.lpDirectory = nullptr;
    info.nShow = SW_SHOWNORMAL;
    // What the shell makes of it is not examined: a command that cannot start
    // leaves only its "Running command" line in the log.
    m_system.ExecuteShell(&info);
}
