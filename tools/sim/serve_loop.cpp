#include "sim/serve_loop.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>

namespace sim {
namespace {

constexpr auto kQuietPeriod = std::chrono::seconds(2);
constexpr auto kReplyPause = std::chrono::milliseconds(20);
constexpr auto kWriteTimeout = std::chrono::seconds(2);
constexpr auto kNoLimit = std::numeric_limits<std::uint64_t>::max();

}  // namespace

ServeLoop::ServeLoop(const Options& options, pty::Pty& port, int stopFd, SummarySink& sink)
    : options_(options),
      port_(port),
      stopFd_(stopFd),
      sink_(sink),
      origin_(Clock::now()),
      poweredOn_(origin_ + options.powerOnDelay),
      pacer_(options.baud, origin_),
      dialogue_(options.faults) {}

void ServeLoop::run() {
  while (!done_) {
    applyLimits();
    if (stalled_) {
      waitFor(-1, 0, stopFd_, std::nullopt);  // the line stays full until stopped
      return;
    }
    if (!done_ && !readOnce()) return;
  }
}

// Reads what the pacer allows; false when the loop has to end.
bool ServeLoop::readOnce() {
  const auto now = Clock::now();
  const std::size_t allowed = pacer_.allowance(now);
  if (allowed == 0) return sleepUntil(stopFd_, pacer_.nextTick(now));
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
      {buffer_.size(), allowed, room(options_.faults.stallAtByte), room(options_.faults.hangupAtByte)}));
  const ssize_t got = ::read(port_.master(), buffer_.data(), want);
  if (got > 0) {
    pacer_.consume(static_cast<std::size_t>(got));
    handle(std::string_view(buffer_.data(), static_cast<std::size_t>(got)));
    return true;
  }
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return waitForData();
  waitFor(-1, 0, stopFd_, std::nullopt);  // the line failed; nothing more to serve
  return false;
}

bool ServeLoop::waitForData() {
  std::optional<Clock::time_point> quietEnd;
  if (dialogue_.updateAccepted() && image_.bytes() > 0)
    quietEnd = origin_ + std::chrono::duration_cast<Clock::duration>(
                             std::chrono::duration<double>(image_.lastByteSeconds()) + kQuietPeriod);
  switch (waitFor(port_.master(), POLLIN, stopFd_, quietEnd)) {
    case Wake::Ready:
      pacer_.resume(Clock::now());
      return true;
    case Wake::Deadline:
      image_.finish();
      endImage();
      return true;
    default:
      return false;
  }
}

void ServeLoop::handle(std::string_view bytes) {
  if (Clock::now() < poweredOn_) return;  // still powering on: the bytes are lost
  if (options_.faults.echo) echo(bytes);
  while (!bytes.empty() && !done_ && !stalled_) {
    if (dialogue_.updateAccepted()) {
      feedImage(bytes);
      continue;
    }
    std::vector<std::string> replies;
    bytes.remove_prefix(dialogue_.consume(bytes, replies));
    publish(false);  // before the replies, so whoever sees a reply finds it counted
    for (const std::string& reply : replies) send(reply);
  }
}

// Best effort, as a real echo: what does not fit into the line now is lost.
void ServeLoop::echo(std::string_view bytes) {
  if (::write(port_.master(), bytes.data(), bytes.size()) < 0) return;
}

void ServeLoop::feedImage(std::string_view& bytes) {
  const auto limit = std::min(room(options_.faults.stallAtByte), room(options_.faults.hangupAtByte));
  if (limit == 0) {
    applyLimits();
    return;
  }
  const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), limit));
  bytes.remove_prefix(image_.feed(bytes.substr(0, take), secondsSinceStart()));
  if (image_.ended()) return endImage();
  publish(false);
  applyLimits();
}

// Image bytes left before a stall or hang-up point; unlimited before the image.
std::uint64_t ServeLoop::room(long long limit) const {
  if (limit < 0 || !dialogue_.updateAccepted()) return kNoLimit;
  const auto at = static_cast<std::uint64_t>(limit);
  return at > image_.bytes() ? at - image_.bytes() : 0;
}

void ServeLoop::applyLimits() {
  if (room(options_.faults.hangupAtByte) == 0) return hangUp();
  if (room(options_.faults.stallAtByte) == 0) stalled_ = true;
}

void ServeLoop::send(std::string_view reply) {
  if (!options_.faults.splitReplies || reply.size() < 2) {
    writeAll(port_.master(), reply, stopFd_, posix::After(kWriteTimeout));
    return;
  }
  const std::size_t half = reply.size() / 2;
  writeAll(port_.master(), reply.substr(0, half), stopFd_, posix::After(kWriteTimeout));
  if (sleepUntil(stopFd_, posix::After(kReplyPause)))
    writeAll(port_.master(), reply.substr(half), stopFd_, posix::After(kWriteTimeout));
}

void ServeLoop::endImage() {
  ++images_;
  publish(true);
  if (!options_.repeat) {
    done_ = true;
    return;
  }
  dialogue_.reset();
  image_.reset();
}

void ServeLoop::hangUp() {
  port_.close();
  hungUp_ = true;
  done_ = true;
  publish(true);
}

void ServeLoop::publish(bool imageEnded) {
  Summary summary;
  image_.report(summary, options_.baud);
  summary.probeBytes = dialogue_.probeBytes();
  summary.commands = dialogue_.commands();
  summary.hungUp = hungUp_;
  summary.images = images_;
  sink_.publish(summary, imageEnded);
}

double ServeLoop::secondsSinceStart() const {
  return std::chrono::duration<double>(Clock::now() - origin_).count();
}

}  // namespace sim
