#include "sim/boot_dialogue.h"

#include <algorithm>
#include <cctype>

namespace sim {
namespace {

constexpr std::size_t kMaxCommand = 64;
constexpr std::string_view kNoiseBefore{"\x00\xfe\x13\x00", 4};
constexpr std::string_view kNoiseAfter{"\x00\x8a\x00", 3};

}  // namespace

std::size_t BootDialogue::consume(std::string_view bytes, std::vector<std::string>& replies) {
  std::size_t used = 0;
  while (used < bytes.size() && !updateAccepted_) {
    const char c = bytes[used++];
    if (c == 'U' && line_.empty()) {
      probe(replies);
    } else if (!promptShown_) {
      ++noise_;  // still booting: nothing but a probe is heard
    } else if (c == '\r') {
      command(replies);
    } else if (c != '\n' || !line_.empty()) {
      if (line_.size() < kMaxCommand) line_.push_back(c);
    }
  }
  return used;
}

void BootDialogue::probe(std::vector<std::string>& replies) {
  ++probes_;
  if (!faults_.noPrompt && probes_ > static_cast<std::uint64_t>(std::max(faults_.promptAfter, 0))) {
    replies.push_back(dress(kPrompt));
    promptShown_ = true;
  }
}

void BootDialogue::command(std::vector<std::string>& replies) {
  ++commands_;
  const bool update = line_ == "update";
  line_.clear();
  if (!update) {
    if (!faults_.noPrompt) replies.push_back(dress(kPrompt));
  } else if (!faults_.noUpdateReply) {
    replies.push_back(dress(kUpdateReply));
    updateAccepted_ = true;
  }
}

std::string BootDialogue::dress(std::string_view reply) const {
  std::string text(reply);
  if (faults_.lowercase)
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
  if (faults_.noise) text = std::string(kNoiseBefore) + text + std::string(kNoiseAfter);
  return text;
}

}  // namespace sim
