// The Windows program's serial link and upgrade under measurement, without a
// window: the main dialog on the headless backend.
//   upgrade PORT-INDEX   one whole upgrade on COM<index+1>; prints line 1 and
//                        the process CPU time; exit 0 only after "Upgrade complete!"
//   idle PORT-INDEX SEC  opens the port, waits SEC seconds on a silent line and
//                        prints the reader's CPU time over that wait
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/programmer_dlg.h"
#include "app/ui/headless/headless_screen.h"
#include "res/resource.h"
#include "serial/rx_buffer.h"
#include "serial/serial_port.h"
#include "upgrade/pauses.h"
#include "upgrade/upgrade_state.h"

namespace {

double ProcessCpuSeconds() {
  FILETIME created, ended, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
  auto seconds = [](const FILETIME& t) {
    return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
  };
  return seconds(kernel) + seconds(user);
}

int RunUpgrade(int port) {
  // The five finishing seconds of the progress bar are not part of the measurement.
  SetPausesForTesting([](PauseKind kind, DWORD ms) {
    if (kind == PauseKind::kAfterAttempt) Sleep(ms);
  });
  ui::headless::Screen screen;
  CProgrammerDlg dlg;
  if (!dlg.Create()) return 2;
  screen.Select(IDC_PORT, port);
  const double cpuBefore = ProcessCpuSeconds();
  screen.Press(IDOK);
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  const std::string line1 = screen.Snapshot(IDD_PROGRAMMER_DIALOG).Control(IDC_STATUS).VisibleLine(0);
  std::printf("line 1: %s\nprogrammer CPU over the upgrade: %.3f s\n", line1.c_str(), cpu);
  return gUpgradeState == kUpgradeFinished ? 0 : 1;
}

int MeasureIdle(int port, unsigned seconds) {
  InitializeCriticalSection(&gRxLock);
  if (!OpenCommPort(port, 0, 0, 0, 0)) return 2;
  const double cpuBefore = ProcessCpuSeconds();
  Sleep(seconds * 1000);
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  CloseCommPort();
  DeleteCriticalSection(&gRxLock);
  std::printf("reader CPU on a silent line: %.3f s over %u s (%.2f %% of one core)\n", cpu, seconds,
              100.0 * cpu / seconds);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  const int port = argc > 2 ? std::atoi(argv[2]) : 0;
  if (mode == "upgrade") return RunUpgrade(port);
  if (mode == "idle") return MeasureIdle(port, argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 10);
  std::fprintf(stderr, "usage: %s upgrade PORT-INDEX | idle PORT-INDEX SECONDS\n", argv[0]);
  return 2;
}
