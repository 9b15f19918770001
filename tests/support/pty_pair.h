#pragma once
// The far end of a serial line for tests: a pty whose master side the test
// reads and writes, linked as COMn in a private ports directory.
#include <chrono>
#include <string>
#include <thread>

#include "posix/clock.h"
#include "pty/pty.h"

namespace test {

using namespace std::chrono_literals;

// A new folder under the system's temporary folder (TMPDIR, else /tmp).
std::string MakeTempFolder(const std::string& prefix);

// A private XDG_CONFIG_HOME for the process, removed again on destruction.
class ConfigHome {
 public:
  ConfigHome();
  ~ConfigHome();
  ConfigHome(const ConfigHome&) = delete;
  ConfigHome& operator=(const ConfigHome&) = delete;
  // Makes COMn name `target` (which need not exist).
  void Link(const std::string& portName, const std::string& target) const;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
  bool owner_;
};

class PtyPair {
 public:
  const std::string& DevicePath() const { return pty_.slavePath(); }
  void Write(const std::string& bytes) const;
  // Closes the far side, as when the instrument's cable is pulled.
  void HangUp() { pty_.close(); }

 private:
  pty::Pty pty_;
};

// Waits until `condition` holds, checking every millisecond; false on time-out. The
// default bound is far above what an event takes even on a loaded machine.
template <class Condition>
bool WaitUntil(Condition condition, std::chrono::milliseconds timeout = 20s) {
  const posix::TimePoint deadline = posix::After(timeout);
  while (!condition()) {
    if (posix::Passed(deadline)) return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

}  // namespace test
