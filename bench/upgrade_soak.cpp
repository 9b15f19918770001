// Many consecutive upgrades in one process (headless dialog, unthrottled line,
// the instrument in a process of its own): every image must arrive valid, and
// the programmer's open descriptors, threads and resident memory must be the
// same after the last upgrade as after the first.
//   upgrade-soak [UPGRADES] [--no-memory]   (default 50; exit 0 only when all held)
// --no-memory leaves resident memory out of the verdict: under AddressSanitizer
// freed memory is held back on purpose, and LeakSanitizer checks leaks instead.
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/programmer_dlg.h"
#include "app/ui/headless/headless_screen.h"
#include "res/resource.h"
#include "simulator_process.h"
#include "tests/support/pty_pair.h"
#include "upgrade/pauses.h"
#include "upgrade/upgrade_state.h"

namespace {

struct Usage {
  long descriptors = 0;
  long threads = 0;
  long residentKb = 0;
};

long StatusField(const std::string& name) {
  std::ifstream status("/proc/self/status");
  std::string key;
  long value = 0;
  while (status >> key) {
    if (key == name + ":" && status >> value) return value;
    status.ignore(4096, '\n');
  }
  return -1;
}

Usage Measure() {
  Usage usage;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++usage.descriptors;
  usage.threads = StatusField("Threads");
  usage.residentKb = StatusField("VmRSS");
  return usage;
}

void Print(const char* when, const Usage& usage) {
  std::printf("%s: %ld descriptors, %ld threads, %ld kB resident\n", when, usage.descriptors, usage.threads,
              usage.residentKb);
}

}  // namespace

int main(int argc, char** argv) {
  const int upgrades = argc > 1 ? std::atoi(argv[1]) : 50;
  const bool checkMemory = !(argc > 2 && std::string(argv[2]) == "--no-memory");
  const std::string home = test::MakeTempFolder("orvex-soak-");
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  SimulatorProcess sim(home, {"--baud", "0", "--repeat"});
  SetPausesForTesting([](PauseKind kind, DWORD ms) {
    if (kind == PauseKind::kAfterAttempt) Sleep(ms);  // the finishing seconds are not part of a soak
  });
  ui::headless::Screen screen;
  CProgrammerDlg dlg;
  dlg.Create();
  int invalid = 0;
  Usage first;
  for (int i = 1; i <= upgrades; ++i) {
    screen.Press(IDOK);  // YES: one whole upgrade
    const std::string summary = sim.NextSummary();
    if (gUpgradeState != kUpgradeFinished || summary.find("\"valid\":true") == std::string::npos) {
      ++invalid;
      std::printf("upgrade %d: state %d, instrument %s", i, static_cast<int>(gUpgradeState), summary.c_str());
    }
    screen.Press(IDOK);  // NEXT
    if (i == 1) first = Measure();
  }
  const Usage last = Measure();
  sim.Stop();
  std::filesystem::remove_all(home);
  Print("after the first upgrade", first);
  Print("after the last upgrade ", last);
  // Memory may settle a little as the allocator's caches fill; a leak grows with every upgrade.
  const bool flat = last.descriptors == first.descriptors && last.threads == first.threads &&
                    (!checkMemory || last.residentKb - first.residentKb < 1024);
  std::printf("%d upgrades, %d not valid, resources %s\n", upgrades, invalid, flat ? "flat" : "GROWING");
  return invalid == 0 && flat ? 0 : 1;
}
