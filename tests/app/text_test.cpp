// Text the program writes for other programs stays valid UTF-8: each byte of
// an ill-formed sequence becomes U+FFFD, everything well-formed is kept; text
// it shows on a terminal shows no control character. Rows are written with
// \xHH escapes.

#include "tests/app/table_rows.h"
#include "utf8_text.h"
#include "visible_text.h"

namespace {

using test::Unescaped;

TEST(ValidUtf8, KeepsWellFormedTextAndReplacesEachBadByte) {
  for (const auto& row : test::Rows(R"(
    a NUL is text | a\x00b | a\x00b | 0
    Chinese and e acute | \xE7\x94\xA2\xE7\xB7\x9A \xC3\xA9 | \xE7\x94\xA2\xE7\xB7\x9A \xC3\xA9 | 0
    four bytes (U+1F600) | \xF0\x9F\x98\x80 | \xF0\x9F\x98\x80 | 0
    the last code point, U+10FFFF | \xF4\x8F\xBF\xBF | \xF4\x8F\xBF\xBF | 0
    0xFF inside a name | line\xFF7 | line\xEF\xBF\xBD7 | 1
    a stray continuation byte | \x80 | \xEF\xBF\xBD | 1
    a sequence cut at the end | a\xE7\x94 | a\xEF\xBF\xBD\xEF\xBF\xBD | 2
    a sequence cut by ASCII | \xE7\x94A | \xEF\xBF\xBD\xEF\xBF\xBDA | 2
    overlong '/' | \xC0\xAF | \xEF\xBF\xBD\xEF\xBF\xBD | 2
    overlong three bytes | \xE0\x80\xAF | \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD | 3
    a surrogate (U+D800) | \xED\xA0\x80 | \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD | 3
    above U+10FFFF | \xF4\x90\x80\x80 | \xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD | 4
    a lead byte that never starts one | \xF5a | \xEF\xBF\xBDa | 1
    a bad byte, then a good sequence | \xFE\xC3\xA9 | \xEF\xBF\xBD\xC3\xA9 | 1
  )")) {
    std::size_t bad = 99;
    EXPECT_EQ(ValidUtf8(Unescaped(row[1]), &bad), Unescaped(row[2])) << row[0];
    EXPECT_EQ(bad, std::stoul(row[3])) << row[0];
  }
}

// An event log insert is cut to the UTF-16 units the call takes.
TEST(Utf16Prefix, TakesWholeCharactersUpToTheUnits) {
  for (const auto& row : test::Rows(R"(
    shorter: whole | bench 4 | 31839 | bench 4
    ASCII, one unit a byte | bench 4 | 5 | bench
    three bytes, one unit | \xE7\x94\xA2\xE7\xB7\x9A | 1 | \xE7\x94\xA2
    beyond U+FFFF, two units: never half of it | a\xF0\x9F\x98\x80 | 2 | a
    beyond U+FFFF, whole where both fit | a\xF0\x9F\x98\x80b | 3 | a\xF0\x9F\x98\x80
    a bad byte is one unit, as its U+FFFD | \xFF\xE7\x94 | 2 | \xFF\xE7
  )"))
    EXPECT_EQ(Utf16Prefix(Unescaped(row[1]), std::stoul(row[2])), Unescaped(row[3])) << row[0];
}

TEST(VisibleText, ControlCharactersCannotMoveTheCursor) {
  for (const auto& row : test::Rows(R"(
    C0 but the tab, and DEL | a\x1b[2Ab\rc\td\x7f | a?[2Ab?c\td?
    the one-character CSI (U+009B) and the other C1 controls; letters beside them stay | e\xc2\x9b2A\xc2\x80\xc2\x9f\xc2\xa0\xc3\xa9\xe7\x94\xa2 | e?2A??\xc2\xa0\xc3\xa9\xe7\x94\xa2
    a lone C1 byte, which a terminal that is not in UTF-8 takes as one | e\x9b2A | e\xef\xbf\xbd2A
  )"))
    EXPECT_EQ(VisibleText(Unescaped(row[1])), Unescaped(row[2])) << row[0];
}

}  // namespace
