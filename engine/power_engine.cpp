#include "engine/power_engine.h"

#include "log/logger.h"
#include "resources/resource.h"

CPowerEngine::CPowerEngine(CSettingsModel& model, IPowerSystem& system,
                           IPowerEngineListener* listener)
    : m_model(model), m_system(system), m_listener(listener)
{
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
