#include "simulator_process.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

SimulatorProcess::SimulatorProcess(const std::string& configHome, const std::vector<std::string>& options) {
  int fds[2];
  if (pipe(fds) != 0) std::exit(2);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  std::vector<std::string> words = {ORVEX_INSTRUMENT_SIM, "--config-home", configHome, "--link", "COM1"};
  words.insert(words.end(), options.begin(), options.end());
  std::vector<char*> argv;
  argv.reserve(words.size() + 1);
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) std::exit(2);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  out_ = fdopen(fds[0], "r");
  char line[512];
  if (fgets(line, sizeof line, out_) == nullptr) std::exit(2);  // the pty path: the link exists now
}

SimulatorProcess::~SimulatorProcess() {
  Stop();
  if (out_ != nullptr) fclose(out_);
}

std::string SimulatorProcess::NextSummary() {
  char line[2048];
  return fgets(line, sizeof line, out_) != nullptr ? line : "";
}

bool SimulatorProcess::Wait() {
  int status = 0;
  if (pid_ < 0 || waitpid(pid_, &status, 0) != pid_) return false;
  pid_ = -1;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void SimulatorProcess::Stop() {
  if (pid_ < 0) return;
  kill(pid_, SIGTERM);
  Wait();
}

double JsonNumber(const std::string& json, const std::string& key) {
  auto at = json.find("\"" + key + "\":");
  return at == std::string::npos ? 0.0 : std::atof(json.c_str() + at + key.size() + 3);
}
