// Fuzzes both scans against plain reference models of their rules. The input's
// first bytes choose the receive count and where the buffer splits into
// successive reads for the carried-over reply match.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "upgrade/prompt_scan.h"
#include "upgrade/reply_scan.h"

namespace {

// The prompt: after a mismatch the search goes on with the byte after it.
bool ReferencePrompt(const std::string& covered) {
  const std::string pattern = "Lodar ";
  std::size_t start = 0;
  while (start < covered.size()) {
    std::size_t matched = 0;
    while (matched < pattern.size() && start + matched < covered.size() &&
           covered[start + matched] == pattern[matched])
      ++matched;
    if (matched == pattern.size()) return true;
    start += matched + 1;
  }
  return false;
}

// The reply: a byte that is neither the next character nor follows the last
// matched one drops the match; nothing is compared twice.
bool ReferenceReply(const std::string& text, int& matched) {
  const std::string reply = "Update Firmware";
  for (std::size_t p = 0; p < text.size() && text[p] != '\0'; ++p) {
    if (text[p] == reply[static_cast<std::size_t>(matched)]) {
      if (matched == 14) return true;
      ++matched;
      continue;
    }
    if (matched > 0) {
      bool followsLastMatched = p > 0 && text[p - 1] == reply[static_cast<std::size_t>(matched) - 1];
      if (!followsLastMatched) matched = 0;
    }
  }
  return false;
}

void CheckPrompt(const std::vector<unsigned char>& buffer, std::uint32_t count) {
  std::size_t last = std::min<std::size_t>(count, buffer.size() - 1);
  std::string covered(buffer.begin(), buffer.begin() + static_cast<long>(last) + 1);
  if (ScanForPrompt(buffer.data(), buffer.size(), count) != ReferencePrompt(covered)) std::abort();
}

void CheckReplyReads(const std::string& stream, std::size_t pieceLength) {
  std::vector<unsigned char> buffer(1000, 0);
  int matched = 0, referenceMatched = 0;
  for (std::size_t at = 0; at < stream.size(); at += pieceLength) {
    std::string piece = stream.substr(at, pieceLength);
    std::copy(piece.begin(), piece.end(), buffer.begin());  // a read lands at the start
    std::string text(buffer.begin(), buffer.end());
    bool found = buffer[0] != 0 && ScanForReply(buffer.data(), buffer.size(), matched);
    bool expected = buffer[0] != 0 && ReferenceReply(text, referenceMatched);
    if (found != expected || matched != referenceMatched || matched < 0 || matched > 14) std::abort();
    if (found) return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  std::uint32_t count = static_cast<std::uint32_t>(data[0]) * 8u;
  std::size_t pieceLength = 1 + data[1] % 100;
  std::vector<unsigned char> buffer(1000, 0);
  std::copy(data + 2, data + std::min<std::size_t>(size, 1002), buffer.begin());
  CheckPrompt(buffer, count);
  CheckReplyReads(std::string(reinterpret_cast<const char*>(data + 2), size - 2), pieceLength);
  return 0;
}
