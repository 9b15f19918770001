#pragma once
// Looks for the reply to the update command in the receive buffer.
#include <cstddef>

inline constexpr char kUpdateReply[] = "Update Firmware";
inline constexpr int kUpdateReplyLength = 15;
static_assert(sizeof kUpdateReply - 1 == kUpdateReplyLength);

// Scans positions `from` to `size` - 1, going on from `matched` characters
// already matched by the previous scan (which ended before `from`) and leaving
// the new count there. After a matched character one foreign byte (a zero byte
// too), or any repeats of that character, are passed over; a byte that breaks
// the match is not tried again.
bool ScanForReply(const unsigned char* buffer, std::size_t from, std::size_t size, int& matched);
