#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <climits>
#include <cstring>

#include "child_process.h"
#include "upgrade/upgrade_outcome.h"

extern char** environ;

namespace sys {

struct ChildProcess::Impl {
  pid_t pid = -1;
  std::array<int, 2> streams = {-1, -1};
  std::string error;
  int code = kNoExitCode;
  bool waited = false;  // after this, the process id may name another process
};

namespace {

std::string OwnExecutable() {
  std::array<char, PATH_MAX> path{};
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), static_cast<std::size_t>(length)) : "/proc/self/exe";
}

// Standard input from /dev/null, standard output and error into the pipes.
bool Redirect(posix_spawn_file_actions_t& actions, int output, int error) {
  return posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0) == 0 &&
         posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO) == 0 &&
         posix_spawn_file_actions_adddup2(&actions, error, STDERR_FILENO) == 0;
}

// Its own process group, and the stop signals at their defaults even where
// this process was started with them ignored. They start blocked: a stop
// passed on before the child has its handlers waits for them (StopOnSignals
// unblocks them) instead of ending the child unrecorded.
void OwnGroupAndSignals(posix_spawnattr_t& attributes) {
  sigset_t stops;
  sigemptyset(&stops);
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stops, signal);
  sigset_t defaults = stops;
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &stops);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments) : impl_(std::make_unique<Impl>()) {
  int output[2];
  int error[2];
  if (pipe2(output, O_CLOEXEC) != 0) {
    impl_->error = std::strerror(errno);
    return;
  }
  if (pipe2(error, O_CLOEXEC) != 0) {
    impl_->error = std::strerror(errno);
    close(output[0]);
    close(output[1]);
    return;
  }
  const std::string program = OwnExecutable();
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  OwnGroupAndSignals(attributes);
  int result = Redirect(actions, output[1], error[1]) ? 0 : ENOMEM;
  if (result == 0)
    result = posix_spawn(&impl_->pid, program.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  close(error[1]);
  impl_->streams = {output[0], error[0]};
  if (result != 0) {
    impl_->pid = -1;
    impl_->error = std::strerror(result);
  }
}

ChildProcess::~ChildProcess() {
  if (impl_->pid > 0 && !impl_->waited) Wait();
  for (const int stream : impl_->streams)
    if (stream >= 0) close(stream);
}

bool ChildProcess::Started() const { return impl_->pid > 0; }

const std::string& ChildProcess::Error() const { return impl_->error; }

std::size_t ChildProcess::Read(ChildStream stream, char* buffer, std::size_t size) {
  const int fd = impl_->streams[stream == ChildStream::kOutput ? 0 : 1];
  for (;;) {
    const ssize_t got = read(fd, buffer, size);
    if (got >= 0) return static_cast<std::size_t>(got);
    if (errno != EINTR) return 0;
  }
}

// An ended child that was not waited for yet keeps its process id, so the
// signal cannot reach another process.
void ChildProcess::Stop(int signal) {
  if (impl_->pid > 0 && !impl_->waited) kill(impl_->pid, signal);
}

int ChildProcess::Wait() {
  if (impl_->pid <= 0 || impl_->waited) return impl_->code;
  int status = 0;
  int result = 0;
  while ((result = waitpid(impl_->pid, &status, 0)) < 0 && errno == EINTR) {
  }
  impl_->waited = true;
  if (result < 0) return impl_->code = kNoExitCode;
  impl_->code = WIFEXITED(status) ? WEXITSTATUS(status) : SignalExitCode(WTERMSIG(status));
  return impl_->code;
}

std::string QuoteArgument(const std::string& text) {
  if (!text.empty() && text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                              "0123456789_./:=@%+,-") == std::string::npos)
    return text;
  std::string quoted = "'";
  for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

}  // namespace sys
