#include "image_pin.h"

#include <algorithm>
#include <cctype>

namespace cli {

namespace {
constexpr std::size_t kSha256Digits = 64;
}

std::string ParseSha256(const std::string& text) {
  const auto isHex = [](unsigned char c) { return std::isxdigit(c) != 0; };
  if (text.size() != kSha256Digits || !std::all_of(text.begin(), text.end(), isHex)) return "";
  std::string digest = text;
  std::transform(digest.begin(), digest.end(), digest.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return digest;
}

std::string MalformedSha256(const std::string& source, const std::string& text) {
  return source + " takes a SHA-256 as 64 hexadecimal digits, not '" + text + "' (" +
         std::to_string(text.size()) + " characters)";
}

std::string PinMismatch(const std::string& expected, const std::string& actual, const std::string& image) {
  if (expected.empty() || expected == actual) return "";
  return image + ": SHA-256 " + actual + ", but the station expects " + expected + "; nothing was sent";
}

}  // namespace cli
