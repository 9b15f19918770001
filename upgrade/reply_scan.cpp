#include "reply_scan.h"

namespace {

unsigned char ReplyAt(int index) { return static_cast<unsigned char>(kUpdateReply[index]); }

// A mismatch keeps the partial match only while the byte before it is the
// character matched last.
bool KeepsMatch(const unsigned char* buffer, std::size_t p, int matched) {
  return p > 0 && buffer[p - 1] == ReplyAt(matched - 1);
}

}  // namespace

bool ScanForReply(const unsigned char* buffer, std::size_t from, std::size_t size, int& matched) {
  for (std::size_t p = from; p < size; ++p) {
    if (buffer[p] == ReplyAt(matched)) {
      if (matched == kUpdateReplyLength - 1) return true;
      ++matched;
    } else if (matched > 0 && !KeepsMatch(buffer, p, matched)) {
      matched = 0;
    }
  }
  return false;
}
