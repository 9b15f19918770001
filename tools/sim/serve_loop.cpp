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
// After the S7 record the line must stay quiet this long; what comes is trailing bytes.
constexpr auto kSettlePeriod = std::chrono::milliseconds(500);
constexpr auto kReplyPause = std::chrono::milliseconds(20);
constexpr auto kWriteTimeout = std::chrono::seconds(2);
constexpr auto kNoLimit = std::numeric_limits<std::uint64_t>::max();

std::optional<Clock::time_point> earlier(std::optional<Clock::time_point> a,
                                         std::optional<Clock::time_point> b) {
  if (!a || !b) return a ? a : b;
  return std::min(*a, *b);
}

}  // namespace

ServeLoop::ServeLoop(const Options& options, pty::Pty& port, int stopFd, SummarySink& sink)
    : options_(options),
      port_(port),
      stopFd_(stopFd),
      sink_(sink),
      origin_(Clock::now()),
      poweredOn_(origin_ + options.powerOnDelay),
      pacer_(options.baud, origin_),
      dialogue_(options.faults),
      image_(&options.expectedImage) {}

void ServeLoop::run() {
  while (!done_) {
    sendDueReplies();
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
  if (allowed == 0) return sleepUntil(stopFd_, *earlier(pacer_.nextTick(now), replyDue()));
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(
      {buffer_.size(), allowed, room(options_.faults.stallAtByte), room(options_.faults.hangupAtByte)}));
  const ssize_t got = ::read(port_.master(), buffer_.data(), want);
  if (got > 0) {
    pacer_.consume(static_cast<std::size_t>(got));
    handle(std::string_view(buffer_.data(), static_cast<std::size_t>(got)), now);
    return true;
  }
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return waitForData();
  waitFor(-1, 0, stopFd_, std::nullopt);  // the line failed; nothing more to serve
  return false;
}

// When the image in progress ends unless more arrives: after the quiet period,
// or sooner once its S7 record has come.
std::optional<Clock::time_point> ServeLoop::imageDeadline() const {
  if (!dialogue_.updateAccepted() || image_.bytes() == 0) return std::nullopt;
  const auto last = origin_ + std::chrono::duration_cast<Clock::duration>(
                                  std::chrono::duration<double>(image_.lastByteSeconds()));
  return last + (image_.sawEnd() ? Clock::duration(kSettlePeriod) : Clock::duration(kQuietPeriod));
}

std::optional<Clock::time_point> ServeLoop::replyDue() const {
  if (replies_.empty()) return std::nullopt;
  return replies_.front().due;
}

bool ServeLoop::waitForData() {
  const auto imageEnd = imageDeadline();
  switch (waitFor(port_.master(), POLLIN, stopFd_, earlier(imageEnd, replyDue()))) {
    case Wake::Ready:
      pacer_.resume(Clock::now());
      return true;
    case Wake::Deadline:
      if (imageEnd && Clock::now() >= *imageEnd) {
        image_.finish();
        endImage();
      }
      return true;
    default:
      return false;
  }
}

void ServeLoop::handle(std::string_view bytes, Clock::time_point now) {
  if (now < poweredOn_) {  // still off: the bytes are lost
    lostBytes_ += bytes.size();
    publish(false);
    return;
  }
  if (options_.faults.echo) echo(bytes);
  while (!bytes.empty() && !done_ && !stalled_) {
    if (dialogue_.updateAccepted()) {
      if (image_.bytes() == 0) {
        skipRepeatedCommands(bytes);
        publish(false);  // a repeat is counted as it comes, as every command is
      }
      if (!bytes.empty()) feedImage(bytes);
      continue;
    }
    std::vector<std::string> replies;
    bytes.remove_prefix(dialogue_.consume(bytes, replies));
    publish(false);  // before the replies, so whoever sees a reply finds it counted
    for (std::string& reply : replies) queue(std::move(reply), now);
    sendDueReplies();
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
  image_.feed(bytes.substr(0, take), secondsSinceStart());
  bytes.remove_prefix(take);
  publish(false);
  applyLimits();
}

// The programmer repeats its command until it sees the reply: one that
// replies slowly gets the command again after accepting it. Before the first
// image byte, such repeats are the same command, not image data.
void ServeLoop::skipRepeatedCommands(std::string_view& bytes) {
  static constexpr std::string_view kCommand = "update\r";
  while (!bytes.empty()) {
    if (bytes.front() != kCommand[commandMatched_]) {
      std::string_view partial = kCommand.substr(0, commandMatched_);
      commandMatched_ = 0;
      if (!partial.empty()) feedImage(partial);  // not a command after all
      return;
    }
    bytes.remove_prefix(1);
    if (++commandMatched_ == kCommand.size()) {
      ++repeatedCommands_;
      commandMatched_ = 0;
    }
  }
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

// Replies go out in order, each no sooner than the latency after its command.
void ServeLoop::queue(std::string reply, Clock::time_point commandEnd) {
  auto due = commandEnd + options_.replyLatency;
  if (!replies_.empty()) due = std::max(due, replies_.back().due);
  if (!options_.faults.splitReplies || reply.size() < 2) {
    replies_.push_back({due, std::move(reply)});
    return;
  }
  const std::size_t half = reply.size() / 2;
  replies_.push_back({due, reply.substr(0, half)});
  replies_.push_back({due + kReplyPause, reply.substr(half)});
}

void ServeLoop::sendDueReplies() {
  while (!replies_.empty() && replies_.front().due <= Clock::now() && port_.isOpen()) {
    writeAll(port_.master(), replies_.front().text, stopFd_, posix::After(kWriteTimeout));
    replies_.pop_front();
  }
}

void ServeLoop::endImage() {
  ++images_;
  publish(true);
  if (!options_.repeat) {
    done_ = true;
    return;
  }
  // The next instrument: switched on a power-on delay from now, booting afresh.
  dialogue_.reset();
  image_.reset();
  replies_.clear();
  lostBytes_ = 0;
  repeatedCommands_ = 0;
  commandMatched_ = 0;
  poweredOn_ = Clock::now() + options_.powerOnDelay;
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
  summary.noiseBytes = dialogue_.noiseBytes();
  summary.repeatedCommands = repeatedCommands_;
  summary.lostBytes = lostBytes_;
  summary.hungUp = hungUp_;
  summary.images = images_;
  sink_.publish(summary, imageEnded);
}

double ServeLoop::secondsSinceStart() const {
  return std::chrono::duration<double>(Clock::now() - origin_).count();
}

}  // namespace sim
