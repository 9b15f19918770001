#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "winapi.h"

void Sleep(DWORD milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&left, &left) != 0 && errno == EINTR) {
  }
}

void ExitProcess(UINT code) {
  std::fflush(nullptr);
  _exit(static_cast<int>(code));
}

void OutputDebugStringA(LPCSTR text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}
