#include "json_string.h"

#include <charconv>
#include <cstdio>

#include "utf8_text.h"

namespace {

// A code point of the Basic Multilingual Plane as UTF-8; the writers escape
// only control characters with \uXXXX, so pairs of surrogates are not joined
// (ValidUtf8 replaces such halves where they reach an output).
void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : ValidUtf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

bool TakeJsonEscape(std::string_view text, std::size_t& at, std::string& out) {
  if (at >= text.size()) return false;
  const char c = text[at++];
  constexpr std::string_view kFrom = "\"\\/bfnrt";
  constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
  if (const std::size_t i = kFrom.find(c); i != std::string_view::npos) {
    out += kTo[i];
    return true;
  }
  if (c != 'u' || at + 4 > text.size()) return false;
  unsigned code = 0;
  const char* first = text.data() + at;
  if (std::from_chars(first, first + 4, code, 16).ptr != first + 4) return false;
  at += 4;
  AppendUtf8(out, code);
  return true;
}
