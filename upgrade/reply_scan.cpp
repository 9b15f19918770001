#include "reply_scan.h"

namespace {

unsigned char ReplyAt(int index) { return static_cast<unsigned char>(kUpdateReply[index]); }

}  // namespace

// A mismatch keeps the partial match only while the byte before it is the
// character matched last.
bool ScanForReply(const unsigned char* buffer, std::size_t from, std::size_t to, ReplyMatch& match) {
  for (std::size_t p = from; p < to; ++p) {
    if (buffer[p] == ReplyAt(match.matched)) {
      if (match.matched == kUpdateReplyLength - 1) return true;
      ++match.matched;
    } else if (match.matched > 0 && match.last != ReplyAt(match.matched - 1)) {
      match.matched = 0;
    }
    match.last = buffer[p];
  }
  return false;
}
