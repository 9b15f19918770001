// Runs one whole upgrade through the headless dialog against the instrument
// simulator (a separate process, so its work is not counted here) and prints
// the line efficiency seen by the instrument, the programmer's CPU time over
// the transfer and its peak resident memory. With --trace FILE the upgrade
// writes the serial trace, so its cost on the line can be seen; with --record
// it keeps the upgrade record as the program does (the line and the journal
// entry at the end).
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/cli/embedded_image.h"
#include "app/programmer_dlg.h"
#include "app/record/upgrade_record.h"
#include "app/ui/headless/headless_screen.h"
#include "res/resource.h"
#include "serial_trace.h"
#include "simulator_process.h"
#include "tests/support/pty_pair.h"
#include "upgrade/pauses.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  std::string baud = "1843200";
  std::string trace;
  bool record = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--trace") == 0 && i + 1 < argc) {
      trace = argv[++i];
    } else if (std::strcmp(argv[i], "--record") == 0) {
      record = true;
    } else {
      baud = argv[i];
    }
  }
  if (!trace.empty() &&
      !StartSerialTrace(trace, [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); }))
    return 1;
  std::string home = test::MakeTempFolder("orvex-bench-");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  setenv("XDG_STATE_HOME", home.c_str(), 1);
  UpgradeRecord upgradeRecord(
      RecordContext{ImageIdentity{kEmbeddedImageBytes, kEmbeddedImageSha256}, "bench", "", ""}, nullptr);
  if (record) SetUpgradeListener(&upgradeRecord);
  SimulatorProcess sim(home, {"--baud", baud});

  SetPausesForTesting([](PauseKind kind, DWORD ms) {
    if (kind == PauseKind::kAfterAttempt) Sleep(ms);  // the finishing seconds are not measured
  });
  ui::headless::Screen screen;
  CProgrammerDlg dlg;
  dlg.Create();
  double cpuBefore = CpuSeconds();
  auto start = std::chrono::steady_clock::now();
  screen.Press(IDOK);
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  double cpu = CpuSeconds() - cpuBefore;

  const std::string summary = sim.NextSummary();
  const bool valid = sim.Wait();
  std::filesystem::remove_all(home);
  double transfer = JsonNumber(summary, "lastByteSeconds") - JsonNumber(summary, "firstByteSeconds");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("baud %s%s%s: %.0f bytes in %.2f s (upgrade %.2f s), line efficiency %.2f %%\n", baud.c_str(),
              trace.empty() ? "" : ", traced", record ? ", recorded" : "", JsonNumber(summary, "bytes"),
              transfer, wall, 100.0 * JsonNumber(summary, "lineEfficiency"));
  std::printf("programmer CPU %.3f s = %.2f %% of the transfer; peak resident memory %.1f MB\n", cpu,
              transfer > 0 ? 100.0 * cpu / transfer : 0.0, static_cast<double>(usage.ru_maxrss) / 1024.0);
  std::printf("instrument: %s", summary.c_str());
  return valid ? 0 : 1;
}
