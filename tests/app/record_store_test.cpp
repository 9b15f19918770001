// How a line reaches the upgrade record file, whatever the file already holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "app/system/record_store.h"

namespace {

#ifdef _WIN32
#define EOL "\r\n"
#else
#define EOL "\n"
#endif

std::string Contents(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(RecordStore, ALineIsNeverJoinedToALineCutShortBeforeIt) {
  struct Case {
    const char* what;
    bool exists;
    std::string before;
    std::string after;
  } cases[] = {
      {"no file yet", false, "", "{L}" EOL},
      {"an empty file", true, "", "{L}" EOL},
      {"after whole lines", true, "{A}" EOL "{B}" EOL, "{A}" EOL "{B}" EOL "{L}" EOL},
      {"after a last line cut by a power cut", true, "{A}" EOL "{\"v\":1,\"sta",
       "{A}" EOL "{\"v\":1,\"sta" EOL "{L}" EOL},
      {"after a cut line alone", true, "{", "{" EOL "{L}" EOL},
      {"after a last line cut between CR and LF", true, "{A}\r", "{A}\r" EOL "{L}" EOL},
  };
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("orvex-record-store-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + ".jsonl");
  for (const Case& c : cases) {
    std::filesystem::remove(path);
    if (c.exists) std::ofstream(path, std::ios::binary) << c.before;
    std::string error;
    EXPECT_TRUE(sys::AppendLine(path.string(), "{L}", error)) << c.what << ": " << error;
    EXPECT_EQ(Contents(path), c.after) << c.what;
  }
  std::filesystem::remove(path);
}

}  // namespace
