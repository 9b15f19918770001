#pragma once
// How the simulated instrument behaves, including its deliberate faults.
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace sim {

struct Summary;

struct Faults {
  bool noPrompt = false;        // never answer a probe
  bool noUpdateReply = false;   // answer probes but never the update command
  bool splitReplies = false;    // each reply in two writes ~20 ms apart
  bool noise = false;           // noise and zero bytes around each reply
  bool lowercase = false;       // replies in small letters
  bool echo = false;            // send back every byte received
  int promptAfter = 0;          // once on, answer probes only from the (N+1)-th "U"
  long long stallAtByte = -1;   // stop reading at this image byte; -1: never
  long long hangupAtByte = -1;  // close the line at this image byte; -1: never
};

struct Options {
  std::string device{};    // an existing tty to play on; empty: a new pty
  unsigned baud = 115200;  // 0: read as fast as data comes
  // Off for this long after start (and after each image in repeat mode): bytes are lost.
  std::chrono::milliseconds powerOnDelay{0};
  std::chrono::milliseconds replyLatency{0};   // from the end of a command to the start of its reply
  std::optional<std::string> expectedImage{};  // what the image must be, byte for byte
  bool repeat = false;                         // after an image, wait for the next upgrade
  Faults faults{};
  // Called on the serving thread when an image ends or the line is hung up.
  std::function<void(const Summary&)> onImageEnd{};
};

}  // namespace sim
