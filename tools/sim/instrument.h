#pragma once
// A simulated instrument boot loader at the far end of a pseudo-terminal, for
// in-process tests and for the instrument-sim program.
#include <chrono>
#include <memory>
#include <string>

#include "sim/options.h"
#include "sim/summary.h"

namespace sim {

class Instrument {
 public:
  explicit Instrument(Options options);  // opens the pty or options.device; throws std::system_error
  ~Instrument();                         // stops the thread, removes the link, closes the pty
  Instrument(const Instrument&) = delete;
  Instrument& operator=(const Instrument&) = delete;

  const std::string& devicePath() const;  // slave path, e.g. /dev/pts/7, or options.device
  // Links ${configHome}/orvex-programmer/ports/<comName> to the pty; throws on failure.
  void linkAs(const std::string& configHome, const std::string& comName);
  void start();  // serves on its own thread; the power-on delay counts from here
  // Waits until an image has ended (or the hang-up fault fired); false on time-out.
  bool waitForImage(std::chrono::milliseconds timeout);
  Summary summary() const;  // thread-safe snapshot at any time
  void stop();              // wakes the serving thread at once and joins it

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim
