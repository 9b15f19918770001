#pragma once
// Keeps the machine awake from the start of an upgrade to its end.
// KeepAwake takes the inhibitor (a second call replaces the first), AllowSleep releases it; both are silent
// where the system offers no way to do it, and never fail the upgrade. User-interface thread only.

// `reason` is shown to the user by the system, e.g. "Writing firmware into the instrument on COM3".
void KeepAwake(const char* reason);
void AllowSleep();
// Whether the system holds an inhibitor for this program now.
bool SleepInhibited();
