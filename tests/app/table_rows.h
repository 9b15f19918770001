#pragma once
// A test's table written as text, one row a line: its fields are split at
// `separator` and kept exactly as written (spaces at their ends too); the
// spaces before a row and blank lines are left out. Unescaped turns \xHH, \n,
// \r, \t and \\ into their bytes, for the rows that need them. The tests that
// use these include only what they use besides GoogleTest, strings and streams.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace test {

// `name` in the temporary folder with a random suffix of its own: the tests of
// other checkouts may run beside it and use the same names.
inline std::filesystem::path OwnTempPath(const std::string& name) {
  return std::filesystem::temp_directory_path() / (name + "." + std::to_string(std::random_device{}()));
}

inline std::vector<std::vector<std::string>> RowsSplitAt(std::string_view separator, std::string_view table) {
  std::vector<std::vector<std::string>> rows;
  while (!table.empty()) {
    std::string_view line = table.substr(0, table.find('\n'));
    table.remove_prefix(line.size() < table.size() ? line.size() + 1 : line.size());
    line.remove_prefix(std::min(line.find_first_not_of(' '), line.size()));
    if (line.empty()) continue;
    std::vector<std::string>& fields = rows.emplace_back();
    for (std::size_t at; (at = line.find(separator)) != std::string_view::npos;
         line.remove_prefix(at + separator.size()))
      fields.emplace_back(line.substr(0, at));
    fields.emplace_back(line);
  }
  return rows;
}

inline std::vector<std::vector<std::string>> Rows(std::string_view table) {
  return RowsSplitAt(" | ", table);
}

inline std::string Unescaped(std::string_view text) {
  std::string bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      bytes += text[i];
    } else if (text[++i] == 'x') {
      bytes += static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
      i += 2;
    } else {
      bytes += text[i] == 'n' ? '\n' : text[i] == 'r' ? '\r' : text[i] == 't' ? '\t' : text[i];
    }
  }
  return bytes;
}

}  // namespace test
