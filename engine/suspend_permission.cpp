// Whether the computer may be suspended, told to Windows through the thread's
// execution state and shown by the tray icon; the connection watch; the
// screen saver while blanking is not allowed.
#include "common/resource_string.h"
#include "engine/port_scan.h"
#include "engine/power_engine.h"
#include "log/logger.h"
#include "resources/resource.h"

namespace {
std::wstring ProgramName()
{
    std::wstring name;
    LoadResourceString(IDS_APP_NAME, name);
    return name;
}
} // namespace

std::wstring CPowerEngine::ScanActivePorts()
{
    return FormatPortList(
        FindActivePorts(m_system, m_model.TcpPorts.list, m_model.TcpPorts.endpoint));
}

bool CPowerEngine::EvaluateSuspendPermission()
{
    if (!m_model.Suspend.allowed) {
        if (m_lastPermissionState != NotAllowed) {
            m_lastPermissionState = NotAllowed;
            ShowPermission(ProgramName(), IDI_NOSUSPEND);
            Logger().LogMessage(IDS_LOG_NOT_ALLOWED);
        }
        return false;
    }

    if (m_model.Suspend.condition == Condition::NoConnection) {
        std::wstring ports = ScanActivePorts();
        if (!ports.empty()) {
            if (m_lastPermissionState != BlockedByPorts) {
                m_lastPermissionState = BlockedByPorts;
                m_lastActivePorts.clear();
            }
            if (ports != m_lastActivePorts) {
                m_lastActivePorts = ports;
                std::wstring format;
                LoadResourceString(IDS_TIP_PORTS, format);
                ShowPermission(ProgramName() + L" - " + FormatText(format.c_str(), ports.c_str()),
                               IDI_NOSUSPEND);
                Logger().LogMessage(IDS_LOG_PORTS_ACTIVE, ports.c_str());
            }
            return false;
        }
    }

    if (m_lastPermissionState != Allowed) {
        m_lastPermissionState = Allowed;
        ShowPermission(ProgramName(), IDI_TARVIK);
        Logger().LogMessage(IDS_LOG_ALLOWED);
    }
    return true;
}

void CPowerEngine::ShowPermission(const std::wstring& tooltip, UINT iconId)
{
    m_tooltip = tooltip;
    m_icon = iconId;
    // Keep-awake covers the decision until it ends.
    if (!m_keepAwake)
        ShowTray();
}

void CPowerEngine::ShowTray()
{
    const UINT icon = m_keepAwake ? UINT{IDI_NOSUSPEND} : m_icon;
    if (!m_tray || !icon)
        return;
    // A second line says what the log said at more length.
    std::wstring tooltip = m_keepAwake ? m_keepAwakeTooltip : m_tooltip;
    if (m_noWakeShown)
        tooltip += L"\n" + ResourceText(IDS_TIP_NO_WAKE);
    m_tray->SetTooltip(tooltip.c_str());
    if (m_tray->SetIcon(icon))
        m_tray->Update();
}

void CPowerEngine::ApplyExecutionState()
{
    UpdateExecutionState();

    if (m_model.Suspend.allowed && m_model.Suspend.condition != Condition::Always)
        StartTimer(IDT_CONNECTIONWATCH, kConnectionWatchPeriod);
    else
        StopTimer(IDT_CONNECTIONWATCH);

    UpdateScreenSaver();
    CheckMachine();
}

void CPowerEngine::UpdateExecutionState(bool reassert)
{
    EXECUTION_STATE flags = ES_CONTINUOUS;
    if (!m_model.Suspend.blanking)
        flags |= ES_DISPLAY_REQUIRED;
    // Both are evaluated: the decision logs and shows its changes.
    const bool allowed = EvaluateSuspendPermission();
    if (!allowed || HoldsSystem() || m_keepAwake)
        flags |= ES_SYSTEM_REQUIRED;
    if (flags != m_lastExecutionState || reassert) {
        m_system.SetExecutionState(flags);
        m_lastExecutionState = flags;
    }
}

void CPowerEngine::ReleaseExecutionState()
{
    if (m_lastExecutionState == ES_CONTINUOUS)
        return;
    m_system.SetExecutionState(ES_CONTINUOUS);
    m_lastExecutionState = ES_CONTINUOUS;
}

void CPowerEngine::UpdateScreenSaver()
{
    if (m_model.Suspend.blanking) {
        RestoreScreenSaver();
        return;
    }
    // Only the first switch-off holds the user's flag: a second would hold
    // the engine's own "off".
    if (m_savedScreenSaverActive == -1) {
        BOOL active = FALSE;
        m_system.GetScreenSaverActive(&active);
        m_savedScreenSaverActive = active ? 1 : 0;
    }
    m_system.SetScreenSaverActive(FALSE);
}

void CPowerEngine::RestoreScreenSaver()
{
    if (m_savedScreenSaverActive == -1)
        return;
    m_system.SetScreenSaverActive(m_savedScreenSaverActive);
    m_savedScreenSaverActive = -1;
}
