#include "visible_text.h"

#include "utf8_text.h"

std::string VisibleText(std::string_view given) {
  // A byte outside UTF-8 (a lone 0x9B is a CSI to a terminal that is not in UTF-8) is not passed on.
  const std::string text = ValidUtf8(given);
  std::string shown;
  shown.reserve(text.size());
  for (std::size_t at = 0; at < text.size(); ++at) {
    const auto c = static_cast<unsigned char>(text[at]);
    const bool c1 = c == 0xC2 && at + 1 < text.size() && static_cast<unsigned char>(text[at + 1]) >= 0x80 &&
                    static_cast<unsigned char>(text[at + 1]) <= 0x9F;
    if (c1) ++at;
    shown += c1 || (c < 0x20 && c != '\t') || c == 0x7F ? '?' : text[at];
  }
  return shown;
}
