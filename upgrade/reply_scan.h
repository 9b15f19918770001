#pragma once
// Looks for the reply to the update command in the receive buffer.
#include <cstddef>

inline constexpr char kUpdateReply[] = "Update Firmware";
inline constexpr int kUpdateReplyLength = 15;
static_assert(sizeof kUpdateReply - 1 == kUpdateReplyLength);

// Scans up to the first zero byte, going on from `matched` characters already
// matched by the previous scan and leaving the new count there. After a
// matched character one foreign byte, or any repeats of that character, are
// passed over; a byte that breaks the match is not tried again.
bool ScanForReply(const unsigned char* buffer, std::size_t size, int& matched);
