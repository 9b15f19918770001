#include "utf8_text.h"

#include <algorithm>

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The length of the well-formed sequence that starts at `at`, or 0. The
// second byte's range rules out overlong forms, surrogates and code points
// above U+10FFFF (the table of well-formed sequences in the Unicode standard).
std::size_t SequenceAt(std::string_view text, std::size_t at) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size() || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i)
    if (!IsContinuation(byte(i))) return 0;
  return length;
}

}  // namespace

std::string ValidUtf8(std::string_view text, std::size_t* badBytes) {
  std::string out;
  out.reserve(text.size());
  std::size_t bad = 0;
  for (std::size_t at = 0; at < text.size();) {
    if (const std::size_t length = SequenceAt(text, at)) {
      out.append(text.substr(at, length));
      at += length;
    } else {
      out.append(kReplacement);
      ++bad;
      ++at;
    }
  }
  if (badBytes != nullptr) *badBytes = bad;
  return out;
}

std::string_view Utf16Prefix(std::string_view text, std::size_t units) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t length = std::max<std::size_t>(SequenceAt(text, at), 1);
    const std::size_t needs = length == 4 ? 2 : 1;
    if (needs > units) break;
    units -= needs;
    at += length;
  }
  return text.substr(0, at);
}
