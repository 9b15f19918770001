// instrument-sim: the instrument's boot loader at the far end of a pseudo-terminal.
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "sim/instrument.h"
#include "sim/sim_cli.h"

namespace {

std::atomic<bool> gAllValid{true};
std::string gLastLine;  // written on the serving thread, read after it is joined

void onImageEnd(const sim::Summary& summary, bool repeat) {
  gAllValid =
      gAllValid && summary.valid && !summary.hungUp && (!summary.expectChecked || summary.matchesExpected);
  if (repeat) {
    gLastLine = summary.toJson();
    std::cout << gLastLine << std::endl;
  } else {
    kill(getpid(), SIGUSR1);  // wakes main's sigwait
  }
}

int serve(sim::CliSettings settings, const sigset_t& signals) {
  const bool repeat = settings.options.repeat;
  settings.options.onImageEnd = [repeat](const sim::Summary& summary) { onImageEnd(summary, repeat); };
  sim::Instrument instrument(settings.options);
  if (!settings.link.empty()) instrument.linkAs(sim::configHome(settings), settings.link);
  std::cout << instrument.devicePath() << std::endl;
  instrument.start();
  int signal = 0;
  sigwait(&signals, &signal);
  instrument.stop();
  const sim::Summary summary = instrument.summary();
  if (summary.toJson() != gLastLine) std::cout << summary.toJson() << std::endl;
  return summary.images > 0 && gAllValid ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  const auto settings = sim::parseCli(std::vector<std::string>(argv + 1, argv + argc), error);
  if (!settings) {
    std::cerr << "instrument-sim: " << error << " (see --help)\n";
    return 2;
  }
  if (settings->help) {
    std::cout << sim::cliHelp();
    return 0;
  }
  // Blocked in every thread, taken by sigwait in main.
  sigset_t signals;
  sigemptyset(&signals);
  for (const int s : {SIGINT, SIGTERM, SIGUSR1}) sigaddset(&signals, s);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  try {
    return serve(*settings, signals);
  } catch (const std::exception& e) {
    std::cerr << "instrument-sim: " << e.what() << "\n";
    return 1;
  }
}
