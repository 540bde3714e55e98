#pragma once
// The system calls of the suspend request, behind a narrow interface so the
// request's logic can be exercised without putting the machine to sleep.
// Each call leaves the thread's last error as the system left it.
#include <windows.h>

#include "common/machine_power.h"
#include "common/shutdown_privilege.h"

// The token's privilege comes with IPrivilegeSystem, what the machine can do
// with IMachinePowerSystem.
class ISuspendSystem : public IPrivilegeSystem, public IMachinePowerSystem
{
public:
    virtual bool SetSuspendState(bool hibernate, bool force, bool wakeEventsDisabled) = 0;
};

// The real calls on the current process.
class CSuspendSystem : public CSystemMachinePower<CSystemPrivileges<ISuspendSystem>>
{
public:
    bool SetSuspendState(bool hibernate, bool force, bool wakeEventsDisabled) override;
};
