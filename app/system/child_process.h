#pragma once
// Another process of this program, started with other arguments, whose
// standard output and error this one reads: batch mode with many ports runs
// each port's upgrade in a process of its own, since the serial link's state
// is per process. child_posix.cpp or child_win32.cpp, chosen by the build.
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

namespace sys {

enum class ChildStream { kOutput, kError };

class ChildProcess {
 public:
  // Starts this program's own executable with `arguments` and an empty
  // standard input, in a process group of its own (Windows: without a
  // console), so that a Ctrl-C at the terminal reaches only this process,
  // which passes it on once.
  explicit ChildProcess(const std::vector<std::string>& arguments);
  ~ChildProcess();  // waits for the process when Wait() was not called
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  bool Started() const;
  const std::string& Error() const;  // why it could not be started
  // What the child wrote next on `stream`, blocking until there is some; 0 at
  // its end. One thread per stream may read.
  std::size_t Read(ChildStream stream, char* buffer, std::size_t size);
  // Asks the child to stop its upgrade as `signal` would (Windows: through
  // an event the child inherited, as Ctrl+Break would).
  void Stop(int signal);
  // Waits for the child to end: its exit code, or 128 + the signal that ended it.
  int Wait();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Windows: the environment variable that hands a port's process the event
// its supervisor sets to stop it (the process has no console to receive Ctrl+Break).
inline constexpr char kChildStopVariable[] = "ORVEX_STOP_EVENT";

// `text` as one word of a command line a user can paste into this system's shell.
std::string QuoteArgument(const std::string& text);

}  // namespace sys
