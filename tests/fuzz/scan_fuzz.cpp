// Fuzzes both scans, with the receive buffer's bookkeeping, against plain
// searches over the whole stream that arrived. The input's first bytes choose
// where in the 1000-byte buffer the stream starts, the lengths of its reads
// and how many reads come between two scans; the rest is the stream. Each
// text must be recognised at the scan that follows the read its last byte
// came in, however the reads fall and wherever the buffer goes back to its
// start.
//
// The harness delivers in place and touches only the bytes delivered: copying
// a whole buffer for every read made it a hundred times slower than the scans
// it checks.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "upgrade/prompt_scan.h"
#include "upgrade/reply_scan.h"
#include "upgrade/rx_snapshot.h"

namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
constexpr std::size_t kHead = 7;
// Bytes a scan must not find its texts in: what the buffer held before.
constexpr std::string_view kOldBytes = "Lodar >Update Firmware ";

// Where the prompt's last byte is: the search goes on with the byte after the one that broke a match.
std::size_t referencePrompt(const unsigned char* stream, std::size_t size) {
  static constexpr std::string_view kPattern = "Lodar ";
  std::size_t start = 0;
  while (start < size) {
    std::size_t matched = 0;
    while (matched < kPattern.size() && start + matched < size &&
           stream[start + matched] == static_cast<unsigned char>(kPattern[matched]))
      ++matched;
    if (matched == kPattern.size()) return start + matched - 1;
    start += matched + 1;
  }
  return kNone;
}

// Where the reply's last byte is. From each first letter, every next
// character follows its predecessor's repeats and at most one other byte; the
// byte where it does not is not tried again as a first letter.
std::size_t referenceReply(const unsigned char* stream, std::size_t size) {
  static constexpr std::string_view kReply = "Update Firmware";
  const auto at = [](std::size_t i) { return static_cast<unsigned char>(kReply[i]); };
  for (std::size_t start = 0; start < size; ++start) {
    if (stream[start] != at(0)) continue;
    std::size_t last = start;
    std::size_t next = 1;
    std::size_t p = start;
    for (; next < kReply.size(); ++next, last = p) {
      p = last + 1;
      while (p < size && stream[p] == at(next - 1) && stream[p] != at(next)) ++p;
      if (p < size && stream[p] != at(next)) ++p;
      if (p >= size) return kNone;
      if (stream[p] != at(next)) break;
    }
    if (next == kReply.size()) return last;
    start = p;  // the byte that broke the match is not tried again as a first letter
  }
  return kNone;
}

// The reader thread's rule: a read that would reach the buffer's end goes to its start.
void deliver(RxSnapshot& ring, const unsigned char* bytes, std::size_t count) {
  if (ring.fill + count >= kRxBufferSize) {
    ring.wrapFill = ring.fill;
    ring.fill = 0;
  }
  std::memcpy(ring.bytes.data() + ring.fill, bytes, count);
  ring.fill += count;
  ring.count += static_cast<std::uint32_t>(count);
}

struct Search {
  std::size_t expected;  // the reference's end, or kNone
  bool found = false;
};

// The scan's find lies in the reads since the previous scan, [from, to), as the reference's does.
void check(Search& search, bool found, std::size_t from, std::size_t to) {
  if (!found) return;
  search.found = true;
  if (search.expected < from || search.expected >= to) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::array<std::uint8_t, kHead> head{};
  std::memcpy(head.data(), data, std::min(size, kHead));
  static RxSnapshot ring;
  for (std::size_t at = 0; at < kRxBufferSize; at += kOldBytes.size())
    std::memcpy(ring.bytes.data() + at, kOldBytes.data(), std::min(kOldBytes.size(), kRxBufferSize - at));
  ring.fill = (head[0] * 256u + head[1]) % kRxBufferSize;
  ring.wrapFill = kRxBufferSize - 1;
  ring.count = 0xFFFFFF00u;  // the count goes past its largest value too
  // At most 9 reads of 100 bytes between scans: nothing is overwritten unread.
  const std::size_t readsPerScan = 1 + head[2] % 9;
  const std::uint8_t* const lengths = head.data() + 3;
  const unsigned char* stream = data + std::min(size, kHead);
  const std::size_t length = size - std::min(size, kHead);
  Search prompt{referencePrompt(stream, length)};
  Search reply{referenceReply(stream, length)};
  int promptMatched = 0;
  ReplyMatch replyMatch;
  std::uint32_t scanned = ring.count;
  std::size_t at = 0;
  std::size_t read = 0;
  do {
    const std::size_t from = at;
    for (std::size_t i = 0; i < readsPerScan && at < length; ++i, ++read) {
      const std::size_t count = std::min<std::size_t>(1 + lengths[read % 4] % kReadChunk, length - at);
      deliver(ring, stream + at, count);
      at += count;
    }
    std::size_t seen = from;
    for (const RxRun& run : ring.NewSince(scanned)) {
      // The runs are the bytes since the last scan, in order.
      if (run.afterLoss ||
          std::memcmp(ring.bytes.data() + run.begin, stream + seen, run.end - run.begin) != 0)
        std::abort();
      seen += run.end - run.begin;
      if (!prompt.found)
        check(prompt, ScanForPrompt(ring.bytes.data(), run.begin, run.end, promptMatched), from, at);
      if (!reply.found)
        check(reply, ScanForReply(ring.bytes.data(), run.begin, run.end, replyMatch), from, at);
    }
    if (seen != at) std::abort();
    scanned = ring.count;
  } while (at < length);
  if (prompt.found != (prompt.expected != kNone) || reply.found != (reply.expected != kNone)) std::abort();
  return 0;
}
