#pragma once
// The instrument's serving loop: reads the line at the paced rate, runs the boot
// dialogue, receives the image and applies the fault switches.
#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "pty/pty.h"
#include "sim/boot_dialogue.h"
#include "sim/fd_waits.h"
#include "sim/image_receiver.h"
#include "sim/line_pacer.h"
#include "sim/options.h"
#include "sim/summary.h"

namespace sim {

// Receives the state the loop publishes as it goes.
class SummarySink {
 public:
  virtual ~SummarySink() = default;
  virtual void publish(const Summary& summary, bool imageEnded) = 0;
};

class ServeLoop {
 public:
  ServeLoop(const Options& options, pty::Pty& port, int stopFd, SummarySink& sink);
  // Returns when stopped, after the hang-up fault, or after the image unless repeating.
  void run();

 private:
  struct Reply {
    Clock::time_point due;
    std::string text;
  };

  bool readOnce();
  bool waitForData();
  std::optional<Clock::time_point> imageDeadline() const;
  std::optional<Clock::time_point> replyDue() const;
  void handle(std::string_view bytes, Clock::time_point now);
  void echo(std::string_view bytes);
  void feedImage(std::string_view& bytes);
  void skipRepeatedCommands(std::string_view& bytes);
  std::uint64_t room(long long limit) const;
  void applyLimits();
  void queue(std::string reply, Clock::time_point commandEnd);
  void sendDueReplies();
  void endImage();
  void hangUp();
  void publish(bool imageEnded);
  double secondsSinceStart() const;

  const Options& options_;
  pty::Pty& port_;
  int stopFd_;
  SummarySink& sink_;
  Clock::time_point origin_, poweredOn_;
  LinePacer pacer_;
  BootDialogue dialogue_;
  ImageReceiver image_;
  std::deque<Reply> replies_;  // in the order they go out
  std::uint64_t images_ = 0, lostBytes_ = 0, repeatedCommands_ = 0;
  std::size_t commandMatched_ = 0;  // bytes of a repeated update command seen so far
  bool stalled_ = false, hungUp_ = false, done_ = false;
  std::array<char, 4096> buffer_{};
};

}  // namespace sim
