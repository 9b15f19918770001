// The cost of one upgrade's system-log entry: builds the entry of a full
// record line (station, unit, adapter), hands it over and waits until it has
// been sent, COUNT times with PAUSE ms between two sends (an upgrade sends
// one; back to back, the sends would wait for the daemon to empty its
// socket), and prints the time each send took.
// Run it with a journal of its own: bench/under_journal.py --journal.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/record/site_entry.h"

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 300;
  const std::chrono::milliseconds pause(argc > 2 ? std::atoi(argv[2]) : 20);
  if (count <= 0) return 2;
  const RecordContext context{ImageIdentity{2281784, std::string(64, 'c')}, "bench 4", "SN 0042",
                              "bench-pc-4"};
  RecordEntry entry;
  entry.started = "2026-12-07T07:44:01Z";
  entry.ended = "2026-12-07T07:44:18.709Z";
  entry.port = "COM2";
  entry.device = "/dev/ttyUSB0";
  entry.adapter = sys::UsbAdapter{"0403", "6001", "A5XK3RJT"};
  entry.status = "Upgrade complete!";
  entry.seconds = 17.54;
  entry.bytesSent = 2281784;
  entry.probeAttempts = 1;
  entry.commandAttempts = 1;
  const std::string line = RecordLine(context, entry);

  std::vector<double> micros;
  for (int i = 0; i < count; ++i) {
    std::this_thread::sleep_for(pause);
    const auto start = std::chrono::steady_clock::now();
    sys::SendToSiteLog(SiteEntry(context, entry, line));
    sys::AwaitSiteLog();
    micros.push_back(
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(micros.begin(), micros.end());
  const auto at = [&micros](double share) {
    return micros[static_cast<std::size_t>(share * static_cast<double>(micros.size() - 1))];
  };
  std::printf(
      "%d entries of a %zu-byte record line, %lld ms apart: median %.1f us, 99th percentile %.1f us, slowest "
      "%.1f us\n",
      count, line.size(), static_cast<long long>(pause.count()), at(0.5), at(0.99), micros.back());
  return 0;
}
