#pragma once
// The two exchanges that wake the instrument's boot loader. Each reports only
// through gAttemptCount (attempts.h).

// Writes "U" every 100 ms until "Lodar " is received, dispatching at most one
// window message per attempt; gives up after 101 attempts.
void ProbeBootLoader();

// Writes "update" and a carriage return every 100 ms until "Update Firmware"
// is received; dispatches no window messages; gives up after 101 attempts.
void SendUpdateCommand();
