#pragma once
// Text from outside (a port's standard error, a name from collected records)
// shown on a terminal.
#include <string>
#include <string_view>

// `text` with every control character shown as '?' (C0 but the tab, DEL, and
// the C1 controls U+0080 to U+009F in UTF-8, of which a terminal takes U+009B
// for an escape sequence's start), and every byte that is not UTF-8 as U+FFFD,
// so that it cannot move the cursor or rewrite the screen.
std::string VisibleText(std::string_view text);
