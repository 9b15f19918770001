#pragma once
// On Windows the program uses the platform's own interface unchanged.
#include <windows.h>
