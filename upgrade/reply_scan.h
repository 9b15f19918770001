#pragma once
// Looks for the reply to the update command in the receive buffer.
#include <cstddef>

inline constexpr char kUpdateReply[] = "Update Firmware";
inline constexpr int kUpdateReplyLength = 15;
static_assert(sizeof kUpdateReply - 1 == kUpdateReplyLength);

// How far the scans got: the characters matched, and the last byte scanned.
struct ReplyMatch {
  int matched = 0;
  unsigned char last = 0;
};

// Scans positions `from` to `to` - 1, going on from where the previous scan
// (whose bytes came just before these) left `match`, and leaving it there.
// After a matched character one foreign byte (a zero byte too), or any
// repeats of that character, are passed over; a byte that breaks the match is
// not tried again.
bool ScanForReply(const unsigned char* buffer, std::size_t from, std::size_t to, ReplyMatch& match);
