// Runs one whole upgrade through the headless dialog against the instrument
// simulator (a separate process, so its work is not counted here) and prints
// the line efficiency seen by the instrument, the programmer's CPU time over
// the transfer and its peak resident memory.
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/programmer_dlg.h"
#include "app/ui/headless/headless_screen.h"
#include "res/resource.h"
#include "upgrade/pauses.h"

extern char** environ;

namespace {

struct Simulator {
  pid_t pid = -1;
  FILE* out = nullptr;
};

Simulator StartSimulator(const std::string& configHome, const std::string& baud) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(2);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::string program = ORVEX_INSTRUMENT_SIM;
  const char* argv[] = {program.c_str(), "--config-home", configHome.c_str(), "--link",
                        "COM1",          "--baud",        baud.c_str(),       nullptr};
  Simulator sim;
  if (posix_spawn(&sim.pid, program.c_str(), &actions, nullptr, const_cast<char**>(argv), environ) != 0)
    std::exit(2);
  close(fds[1]);
  sim.out = fdopen(fds[0], "r");
  char line[512];
  if (fgets(line, sizeof line, sim.out) == nullptr) std::exit(2);  // the pty path: the link exists now
  return sim;
}

std::string LastLine(FILE* out) {
  std::string last;
  char line[1024];
  while (fgets(line, sizeof line, out) != nullptr) last = line;
  return last;
}

double JsonNumber(const std::string& json, const std::string& key) {
  auto at = json.find("\"" + key + "\":");
  return at == std::string::npos ? 0.0 : std::atof(json.c_str() + at + key.size() + 3);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
  std::string baud = argc > 1 ? argv[1] : "1843200";
  char pattern[] = "/tmp/orvex-bench-XXXXXX";
  std::string home = mkdtemp(pattern);
  setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  Simulator sim = StartSimulator(home, baud);

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

  std::string summary = LastLine(sim.out);
  int status = 0;
  waitpid(sim.pid, &status, 0);
  std::filesystem::remove_all(home);
  double transfer = JsonNumber(summary, "lastByteSeconds") - JsonNumber(summary, "firstByteSeconds");
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("baud %s: %.0f bytes in %.2f s (upgrade %.2f s), line efficiency %.2f %%\n", baud.c_str(),
              JsonNumber(summary, "bytes"), transfer, wall, 100.0 * JsonNumber(summary, "lineEfficiency"));
  std::printf("programmer CPU %.3f s = %.2f %% of the transfer; peak resident memory %.1f MB\n", cpu,
              transfer > 0 ? 100.0 * cpu / transfer : 0.0, static_cast<double>(usage.ru_maxrss) / 1024.0);
  std::printf("instrument: %s", summary.c_str());
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
}
