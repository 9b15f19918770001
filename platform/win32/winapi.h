#pragma once
// On Windows the program uses the platform's own interface unchanged: the
// kernel, the user interface and the common controls (the progress bar).
// std::min and std::max stay usable.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// <windows.h> comes first.
#include <commctrl.h>
