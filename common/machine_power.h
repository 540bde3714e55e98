#pragma once
// What this computer's power management can do, as far as a program without
// administrator rights can read it: its sleep states (or Modern Standby),
// hibernation, the deepest state its clock can wake it from, and the active
// power plan's rules for wake timers and for programs that keep it awake.
// Both programs read it before they promise a sleep or a wake, so that they
// say what the machine cannot do instead of pretending.
#include <windows.h>

// Sleep subgroup of the power plans, and two of its settings. The plan's
// "Allow wake timers": 0 disabled, 1 enabled, 2 important wake timers only.
// "Allow applications to prevent automatic sleep": 0 means requests of
// programs are ignored by the idle timer.
// (GUID_SLEEP_SUBGROUP, GUID_ALLOW_RTC_WAKE, GUID_ALLOW_SYSTEM_REQUIRED)
constexpr GUID kSleepSubgroup = {
    0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
constexpr GUID kAllowWakeTimers = {
    0xbd3b718a, 0x0680, 0x4d9d, {0x8a, 0xb2, 0xe1, 0xd2, 0xb4, 0xac, 0x80, 0x6d}};
constexpr GUID kAllowSystemRequired = {
    0xa4b195f5, 0x8225, 0x47d8, {0x80, 0x12, 0x9d, 0x41, 0x36, 0x97, 0x86, 0xe2}};

// The calls that answer, behind an interface so that tests can play any
// machine: Wine answers them for a desktop of its own invention.
class IMachinePowerSystem
{
public:
    virtual ~IMachinePowerSystem() = default;
    // GetPwrCapabilities; false when they cannot be read.
    virtual bool GetPowerCapabilities(SYSTEM_POWER_CAPABILITIES* capabilities) = 0;
    // IsPwrHibernateAllowed.
    virtual bool IsHibernateAllowed() = 0;
    // A value index of the active power plan's `setting`, on mains or on
    // battery: a group policy's value where one is set, else the plan's. False
    // when it cannot be read (Windows before Vista, or Wine, lacks the calls).
    virtual bool ReadPlanValue(const GUID& subgroup, const GUID& setting, bool onBattery,
                               DWORD* value) = 0;
    // Turns the display off: a Modern Standby computer enters standby when its
    // display goes off ("Prepare software for modern standby").
    virtual void TurnDisplayOff() = 0;
};

// The real calls, for a system interface of the program that implements
// IMachinePowerSystem among others.
bool ReadSystemPowerCapabilities(SYSTEM_POWER_CAPABILITIES* capabilities);
bool IsSystemHibernateAllowed();
bool ReadActivePlanValue(const GUID& subgroup, const GUID& setting, bool onBattery, DWORD* value);
void TurnSystemDisplayOff();

template <class Interface>
class CSystemMachinePower : public Interface
{
public:
    bool GetPowerCapabilities(SYSTEM_POWER_CAPABILITIES* capabilities) override
    {
        return ReadSystemPowerCapabilities(capabilities);
    }
    bool IsHibernateAllowed() override { return IsSystemHibernateAllowed(); }
    bool ReadPlanValue(const GUID& subgroup, const GUID& setting, bool onBattery,
                       DWORD* value) override
    {
        return ReadActivePlanValue(subgroup, setting, onBattery, value);
    }
    void TurnDisplayOff() override { TurnSystemDisplayOff(); }
};

// An answer that may not be known.
enum class Answer : unsigned char
{
    Unknown,
    No,
    Yes,
};

// "Allow wake timers" of one power source.
enum class WakeTimers : unsigned char
{
    Unknown,
    Disabled,
    ImportantOnly,
    Enabled,
};

struct CMachinePower
{
    bool capabilitiesKnown = false;
    // A sleep state (S1 to S3) the computer can enter; its deepest one.
    bool sleepState = false;
    SYSTEM_POWER_STATE deepestSleep = PowerSystemUnspecified;
    // S0 low-power idle instead of S3: "sleep" is standby with the display off.
    bool modernStandby = false;
    bool batteries = false;
    // The deepest state the real-time clock can wake the computer from.
    SYSTEM_POWER_STATE clockWake = PowerSystemUnspecified;
    Answer hibernation = Answer::Unknown;
    WakeTimers wakeTimers[2] = {WakeTimers::Unknown, WakeTimers::Unknown}; // mains, battery
    Answer requestsHonoured[2] = {Answer::Unknown, Answer::Unknown};       // mains, battery
};

enum PowerSource
{
    OnMains = 0,
    OnBattery = 1,
};

CMachinePower ReadMachinePower(IMachinePowerSystem& system);
