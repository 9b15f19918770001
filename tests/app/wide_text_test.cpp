// Windows gives and takes UTF-16; the program holds UTF-8. Both directions,
// with ill-formed input on either side becoming U+FFFD.
#include <gtest/gtest.h>

#include <string>

#include "ui_core/wide_text.h"

namespace {

TEST(WideText, Utf8AndUtf16BothWays) {
  struct Case {
    const char* what;
    std::string utf8;
    std::wstring utf16;
  } cases[] = {
      {"empty", "", L""},
      {"ASCII", "COM1", L"COM1"},
      {"Chinese and e acute", "\xE7\x94\xA2\xE7\xB7\x9A \xC3\xA9", {0x7522, 0x7DDA, L' ', 0x00E9}},
      {"outside the first plane: a surrogate pair", "\xF0\x9F\x98\x80", {0xD83D, 0xDE00}},
      {"a path with a backslash",
       "C:\\\xE6\x98\xA0\\a.srec",
       {L'C', L':', L'\\', 0x6620, L'\\', L'a', L'.', L's', L'r', L'e', L'c'}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ui::win32::Widen(c.utf8), c.utf16) << c.what;
    EXPECT_EQ(ui::win32::Narrow(c.utf16), c.utf8) << c.what;
  }
}

TEST(WideText, IllFormedInputBecomesTheReplacementCharacter) {
  EXPECT_EQ(ui::win32::Widen("line\xFF"
                             "7"),
            (std::wstring{L'l', L'i', L'n', L'e', 0xFFFD, L'7'}));
  EXPECT_EQ(ui::win32::Narrow(std::wstring{L'a', 0xD800, L'b'}),
            "a\xEF\xBF\xBD"
            "b");
}

}  // namespace
