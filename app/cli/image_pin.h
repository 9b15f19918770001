#pragma once
// A station can pin the image it sends (--expect-sha256, ORVEX_EXPECT_SHA256):
// an image whose SHA-256 differs is refused before any port is opened, so a
// production line cannot write last week's image by mistake.
#include <string>

namespace cli {

// `text` as a digest in small letters; empty unless it is 64 hexadecimal digits.
std::string ParseSha256(const std::string& text);
// The line that refuses a digest `text` given by `source` (an option or a variable).
std::string MalformedSha256(const std::string& source, const std::string& text);
// The line that refuses `image` (a file, or "the embedded image") whose digest
// `actual` is not the `expected` one; empty when nothing is pinned or they agree.
std::string PinMismatch(const std::string& expected, const std::string& actual, const std::string& image);

}  // namespace cli
