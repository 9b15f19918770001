#pragma once
// A request from outside the line (a signal, a console event) to stop the
// running upgrade at its next safe point: between chunks, or before the next
// probe or command attempt. The steps end early; the controller reports the
// upgrade as interrupted.

// Safe in a signal handler and on any thread. Returns false when a stop was
// already requested (the caller then ends the program at once).
bool RequestStop(int signal);
bool StopRequested();
// The signal that asked, 0 when none did.
int StopSignal();
// Forgets the request; for tests.
void ClearStopRequest();
