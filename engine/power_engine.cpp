#include "engine/power_engine.h"

#include "log/logger.h"
#include "resources/resource.h"

CPowerEngine::CPowerEngine(CSettingsModel& model, IPowerSystem& system, ITrayIcon* tray,
                           IPowerEngineListener* listener)
    : m_model(model), m_system(system), m_tray(tray), m_listener(listener)
{
}

CPowerEngine::~CPowerEngine()
{
    // A page that went without Shutdown must not leave the user's session
    // without its screen saver.
    RestoreScreenSaver();
}

bool CPowerEngine::CreateWakeTimer()
{
    m_wakeTimer.Reset(m_system.CreateWakeTimer());
    if (!m_wakeTimer) {
        Logger().LogLastError(IDS_LOG_TIMER_CREATE);
        return false;
    }
    return true;
}

bool CPowerEngine::CancelWakeTimer()
{
    if (!m_wakeTimer) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return m_system.CancelWakeTimer(m_wakeTimer.Get()) != FALSE;
}

void CPowerEngine::OnEngineTimer(UINT_PTR id)
{
    if (id == IDT_AUTOSUSPEND)
        AttemptAutoSuspend();
    else if (id == IDT_CONNECTIONWATCH)
        UpdateExecutionState();
    else if (id == IDT_WAKEWATCH)
        OnWakeWatch();
    else if (id == IDT_KEEPAWAKE)
        OnKeepAwakeTimer();
}

void CPowerEngine::Shutdown()
{
    RestoreScreenSaver();
    StopTimer(IDT_AUTOSUSPEND);
    StopTimer(IDT_CONNECTIONWATCH);
    StopTimer(IDT_WAKEWATCH);
    ClearKeepAwake(); // logged before the log's own end
    m_counting = false;
    m_commandProcess.Reset(); // the program runs on; only our handle goes
    CloseWakeTimer();
}

void CPowerEngine::StartTimer(UINT_PTR id, UINT elapse)
{
    // Without the window a timer would get an id of its own and never reach
    // the engine.
    if (!m_pageWindow) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return;
    }
    m_system.SetWindowTimer(m_pageWindow, id, elapse);
}

void CPowerEngine::StopTimer(UINT_PTR id)
{
    if (m_pageWindow)
        m_system.KillWindowTimer(m_pageWindow, id);
}
