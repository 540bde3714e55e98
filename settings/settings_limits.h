#pragma once
// The limits of the settings, named once for the settings file's reader and
// the General page's checks.

// "Every:" wakes at least ten minutes apart, and the countdown to the next
// automatic suspend takes at least a minute; both stay under a day, since the
// page shows them as a time of day.
constexpr int kAutoResumeDelayMin = 600;
constexpr int kAutoSuspendDelayMin = 60;
constexpr int kDelayMax = 86399;

// The longest port list and command texts: what the page's edits accept, and
// the longest the settings file may hold.
constexpr int kMaxPortText = 80;
constexpr int kMaxCommandText = 1024;
