// Fuzzes both scans against plain reference models of their rules. The input's
// first bytes choose the receive count and where the stream splits into
// successive reads: the reply must be found however its reads fall.
//
// The harness works in place and touches only as many bytes as the input
// holds: copying a whole buffer for every read made it a hundred times slower
// than the scans it checks.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "upgrade/prompt_scan.h"
#include "upgrade/reply_scan.h"

namespace {

constexpr std::size_t kReceiveBuffer = 1000;

// The prompt: after a mismatch the search goes on with the byte after it.
bool ReferencePrompt(const unsigned char* covered, std::size_t size) {
  static constexpr char kPattern[] = "Lodar ";
  constexpr std::size_t kLength = sizeof kPattern - 1;
  std::size_t start = 0;
  while (start < size) {
    std::size_t matched = 0;
    while (matched < kLength && start + matched < size &&
           covered[start + matched] == static_cast<unsigned char>(kPattern[matched]))
      ++matched;
    if (matched == kLength) return true;
    start += matched + 1;
  }
  return false;
}

// The reply: a byte that is neither the next character nor follows the last
// matched one drops the match; nothing is compared twice.
bool ReferenceReply(const unsigned char* text, std::size_t size, int& matched) {
  static constexpr char kReply[] = "Update Firmware";
  const auto at = [](int i) { return static_cast<unsigned char>(kReply[i]); };
  for (std::size_t p = 0; p < size; ++p) {
    if (text[p] == at(matched)) {
      if (matched == 14) return true;
      ++matched;
      continue;
    }
    if (matched > 0 && !(p > 0 && text[p - 1] == at(matched - 1))) matched = 0;
  }
  return false;
}

// The data is the start of a receive buffer of `size` bytes whose rest is zero.
void CheckPrompt(const unsigned char* buffer, std::size_t size, std::uint32_t count) {
  const std::size_t last = std::min<std::size_t>(count, size - 1);
  if (ScanForPrompt(buffer, size, count) != ReferencePrompt(buffer, last + 1)) std::abort();
}

// Each read lands after the previous ones; each scan goes on where the last
// ended, and the outcome is the reference's on the whole stream.
void CheckReplyReads(const std::uint8_t* stream, std::size_t size, std::size_t pieceLength) {
  int referenceMatched = 0;
  const bool expected = ReferenceReply(stream, size, referenceMatched);
  int matched = 0;
  bool found = false;
  for (std::size_t at = 0; at < size && !found; at += pieceLength) {
    found = ScanForReply(stream, at, std::min(at + pieceLength, size), matched);
    if (matched < 0 || matched > 14) std::abort();
  }
  if (found != expected || (!found && matched != referenceMatched)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::size_t head = std::min<std::size_t>(size, 2);
  if (size - head > kReceiveBuffer) return 0;
  const std::uint32_t count = head > 0 ? static_cast<std::uint32_t>(data[0]) * 8u : 0;
  const std::size_t pieceLength = 1 + (head > 1 ? data[1] % 100 : 0);
  const std::uint8_t* text = data + head;
  const std::size_t length = size - head;
  // A buffer one byte longer than the text: a count past the end meets the clamp.
  static std::array<unsigned char, kReceiveBuffer + 1> prompt;
  if (length > 0) std::memcpy(prompt.data(), text, length);
  prompt[length] = 0;
  CheckPrompt(prompt.data(), length + 1, count);
  CheckReplyReads(text, length, pieceLength);
  return 0;
}
