#pragma once
// Reads JSON text left to right, for the programs that read back what the
// record and the event stream wrote; every step is false on text it cannot take.
#include <cstddef>
#include <string>
#include <string_view>

class JsonCursor {
 public:
  explicit JsonCursor(std::string_view text) : text_(text) {}

  bool Take(char c);
  bool AtEnd();
  // The next character that is not white space, '\0' at the end.
  char Next();

  // The members of an object, each handed to `member(key, *this)` to read its value.
  template <typename Member>
  bool Members(Member&& member) {
    if (!Take('{')) return false;
    if (Take('}')) return true;
    std::string key;
    do {
      key.clear();
      if (!String(key) || !Take(':') || !member(std::string_view(key), *this)) return false;
    } while (Take(','));
    return Take('}');
  }

  // A string, unescaped onto `out`.
  bool String(std::string& out);
  // A finite number: NaN and infinities are no JSON.
  bool Number(double& out);
  // A number or a literal, as written: everything up to the next separator.
  bool Plain(std::string& out);
  // Any value, read and dropped; nesting deeper than any record holds is refused.
  bool Skip(int depth = 0);

 private:
  void SkipSpace();
  bool Word(std::string_view word);
  bool Elements(int depth);

  std::string_view text_;
  std::size_t at_ = 0;
};
