#pragma once
// The process token's privilege calls answered by a test, for both programs'
// fakes: each call is recorded in `calls`; one given what neither program has
// reason to pass is recorded as "wrong-..." and fails with
// ERROR_INVALID_PARAMETER; a step with an error set fails with it.
#include <windows.h>

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "common/shutdown_privilege.h"

// The steps of a suspend request, for making one of them fail. At
// AdjustLeavesStep the adjustment succeeds and leaves the error as its last
// (ERROR_NOT_ALL_ASSIGNED: nothing was enabled); the request itself is
// answered by the program's own fake.
enum SuspendStep
{
    OpenStep,
    LookupStep,
    AdjustStep,
    AdjustLeavesStep,
    SuspendCallStep,
    StepCount
};

template <class Interface>
class CFakePrivileges : public Interface
{
public:
    std::array<DWORD, StepCount> errors{};
    std::string calls;
    std::vector<HANDLE> tokens; // real handles, each to be closed by the program

    bool TokensClosed() const
    {
        DWORD flags = 0;
        auto open = [&flags](HANDLE token) { return GetHandleInformation(token, &flags) != FALSE; };
        return std::none_of(tokens.begin(), tokens.end(), open);
    }

    bool OpenProcessToken(DWORD access, HANDLE* opened) override
    {
        if (!errors[OpenStep])
            *opened = tokens.emplace_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        return Step("open ", access == (TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY), errors[OpenStep]);
    }

    bool LookupPrivilegeValue(const wchar_t* name, LUID* luid) override
    {
        *luid = LUID{19, 7};
        return Step("lookup ", std::wstring(name) == L"SeShutdownPrivilege", errors[LookupStep]);
    }

    // The one privilege looked up, enabled in the token last opened.
    bool AdjustTokenPrivileges(HANDLE token, TOKEN_PRIVILEGES* privileges) override
    {
        const LUID_AND_ATTRIBUTES& enabled = privileges->Privileges[0];
        const bool right = !tokens.empty() && token == tokens.back() &&
                           privileges->PrivilegeCount == 1 &&
                           enabled.Attributes == SE_PRIVILEGE_ENABLED &&
                           enabled.Luid.LowPart == 19 && enabled.Luid.HighPart == 7;
        SetLastError(errors[AdjustLeavesStep]);
        return Step("adjust ", right, errors[AdjustStep]);
    }

protected:
    bool Step(const char* name, bool right, DWORD error)
    {
        calls += (right ? "" : "wrong-") + std::string(name);
        if (!right)
            error = ERROR_INVALID_PARAMETER;
        if (error)
            SetLastError(error);
        return error == 0;
    }
};
