#pragma once
// The boot loader's command side: answers each "U" probe with its prompt, collects
// a command line up to CR and accepts "update", after which the image follows.
// Until it has shown its prompt it is still booting: every byte but a probe is noise.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/options.h"

namespace sim {

inline constexpr std::string_view kPrompt = "Lodar >";
inline constexpr std::string_view kUpdateReply = "Update Firmware\r\n";

class BootDialogue {
 public:
  explicit BootDialogue(const Faults& faults) : faults_(faults) {}

  // Consumes bytes until the update command is accepted (the rest is image) and
  // appends the replies to send; returns how many bytes it consumed.
  std::size_t consume(std::string_view bytes, std::vector<std::string>& replies);
  bool updateAccepted() const { return updateAccepted_; }
  // A new session, as after the instrument restarts.
  void reset() { *this = BootDialogue(faults_); }

  std::uint64_t probeBytes() const { return probes_; }
  std::uint64_t commands() const { return commands_; }
  std::uint64_t noiseBytes() const { return noise_; }  // bytes other than probes before the prompt

 private:
  void probe(std::vector<std::string>& replies);
  void command(std::vector<std::string>& replies);
  std::string dress(std::string_view reply) const;

  Faults faults_;
  std::string line_;
  bool updateAccepted_ = false, promptShown_ = false;
  std::uint64_t probes_ = 0, commands_ = 0, noise_ = 0;
};

}  // namespace sim
