#pragma once
// The window-side Windows names the dialog framework uses: the user-interface
// part of <windows.h> on Windows, platform/posix's declarations elsewhere.
#include "winapi.h"
