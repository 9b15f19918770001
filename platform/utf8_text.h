#pragma once
// Text inside the program is UTF-8, and what it writes for other programs (the
// upgrade record, the event stream, the serial trace) must stay valid UTF-8
// whatever bytes an argument or a device name brought in.
#include <cstddef>
#include <string>
#include <string_view>

// `text` with every byte that does not belong to a well-formed UTF-8 sequence
// (stray continuation bytes, cut sequences, overlong forms, surrogates, code
// points above U+10FFFF) replaced by U+FFFD, one per byte. `badBytes`, when
// given, receives how many were replaced.
std::string ValidUtf8(std::string_view text, std::size_t* badBytes = nullptr);

// The longest start of `text` that takes at most `units` UTF-16 code units
// (two for a character beyond U+FFFF, one for each byte ValidUtf8 would
// replace), never half a character.
std::string_view Utf16Prefix(std::string_view text, std::size_t units);
