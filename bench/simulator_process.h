#pragma once
// The simulated instrument as a process of its own (so its work is not counted
// as the programmer's), linked as COM1 in a private configuration folder.
#include <cstdio>
#include <string>
#include <vector>

#include <sys/types.h>

class SimulatorProcess {
 public:
  // Starts instrument-sim with `options`; returns once the link exists.
  SimulatorProcess(const std::string& configHome, const std::vector<std::string>& options);
  ~SimulatorProcess();
  SimulatorProcess(const SimulatorProcess&) = delete;
  SimulatorProcess& operator=(const SimulatorProcess&) = delete;

  // The next JSON summary line (one per image in --repeat mode); empty at the end.
  std::string NextSummary();
  // Waits for the simulator to end; true when it exited with code 0.
  bool Wait();
  void Stop();

 private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

double JsonNumber(const std::string& json, const std::string& key);
