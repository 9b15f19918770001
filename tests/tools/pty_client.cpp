#include "pty_client.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "posix/clock.h"
#include "pty/pty.h"

namespace tools_test {
namespace {

// poll(2) on one descriptor until the deadline; false on time-out or error.
bool pollUntil(pollfd& pfd, posix::TimePoint deadline) {
  const timespec left = posix::TimeoutUntil(deadline);
  return ::ppoll(&pfd, 1, &left, nullptr) > 0;
}

}  // namespace

PtyClient::PtyClient(const std::string& path) : fd_(pty::openRaw(path)) {}

PtyClient::~PtyClient() { ::close(fd_); }

bool PtyClient::write(std::string_view bytes, std::chrono::milliseconds stallTimeout) {
  while (!bytes.empty()) {
    pollfd pfd{fd_, POLLOUT, 0};
    if (!pollUntil(pfd, posix::After(stallTimeout)) || (pfd.revents & (POLLHUP | POLLERR))) return false;
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno != EAGAIN) return false;
    if (written > 0) bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

std::size_t PtyClient::stream(std::string_view bytes, std::size_t chunk,
                              std::chrono::milliseconds stallTimeout) {
  std::size_t sent = 0;
  while (sent < bytes.size() && write(bytes.substr(sent, chunk), stallTimeout))
    sent += std::min(chunk, bytes.size() - sent);
  return sent;
}

std::string PtyClient::readUntil(std::string_view text, std::chrono::milliseconds timeout) {
  const posix::TimePoint deadline = posix::After(timeout);
  while (received_.find(text) == std::string::npos) {
    pollfd pfd{fd_, POLLIN, 0};
    if (!pollUntil(pfd, deadline) || !(pfd.revents & POLLIN)) break;
    char buffer[1024];
    const ssize_t got = ::read(fd_, buffer, sizeof buffer);
    if (got <= 0) break;
    received_.append(buffer, static_cast<std::size_t>(got));
  }
  const std::size_t found = received_.find(text);
  const std::size_t end = found == std::string::npos ? received_.size() : found + text.size();
  std::string result = received_.substr(0, end);
  received_.erase(0, end);
  return result;
}

bool PtyClient::waitForHangup(std::chrono::milliseconds timeout) {
  pollfd pfd{fd_, 0, 0};
  return pollUntil(pfd, posix::After(timeout)) && (pfd.revents & POLLHUP);
}

}  // namespace tools_test
