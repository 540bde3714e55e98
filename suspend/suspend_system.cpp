#include "suspend/suspend_system.h"

#include <powrprof.h>

bool CSuspendSystem::SetSuspendState(bool hibernate, bool force, bool wakeEventsDisabled)
{
    return ::SetSuspendState(hibernate ? TRUE : FALSE, force ? TRUE : FALSE,
                             wakeEventsDisabled ? TRUE : FALSE) != FALSE;
}
