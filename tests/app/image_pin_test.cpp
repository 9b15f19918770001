// The image a station pins: the digest it gives, and the line that refuses another image.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli/command_line.h"
#include "app/cli/image_pin.h"

namespace {

const std::string kSmall = "c90ae9afaa009af96c3d3a7d8829ee5fb18e0fbf422a86b24c926080d8814509";

TEST(ImagePin, DigestsAreSixtyFourHexadecimalDigits) {
  struct Case {
    const char* what;
    std::string in;
    std::string out;
  } cases[] = {
      {"small letters", kSmall, kSmall},
      {"capitals, as some tools print it", "C90AE9AFAA009AF96C3D3A7D8829EE5FB18E0FBF422A86B24C926080D8814509",
       kSmall},
      {"one digit short", kSmall.substr(1), ""},
      {"one digit more", kSmall + "0", ""},
      {"a letter past f", "g" + kSmall.substr(1), ""},
      {"a space inside", kSmall.substr(0, 32) + " " + kSmall.substr(33), ""},
      {"empty", "", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cli::ParseSha256(c.in), c.out) << c.what;
}

TEST(ImagePin, OnlyADifferentImageIsRefused) {
  const std::string other(64, 'a');
  EXPECT_EQ(cli::PinMismatch("", kSmall, "the embedded image"), "");
  EXPECT_EQ(cli::PinMismatch(kSmall, kSmall, "the embedded image"), "");
  EXPECT_EQ(
      cli::PinMismatch(other, kSmall, "C:\\images\\old.srec"),
      "C:\\images\\old.srec: SHA-256 c90ae9afaa009af96c3d3a7d8829ee5fb18e0fbf422a86b24c926080d8814509, but "
      "the station expects aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa; nothing was "
      "sent");
}

cli::CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "orvex-programmer");
  return cli::ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(ImagePin, TheOptionBelongsToBatchModeAndTakesADigest) {
  const std::string capitals = "C90AE9AFAA009AF96C3D3A7D8829EE5FB18E0FBF422A86B24C926080D8814509";
  const cli::CommandLine pinned =
      Parse({"--batch", "--port", "COM1-COM2", "--expect-sha256", capitals.c_str()});
  EXPECT_EQ(pinned.mode, cli::Mode::kManyPorts);
  EXPECT_EQ(pinned.expectSha256, kSmall);
  struct Case {
    std::vector<const char*> args;
    std::string error;
  } wrong[] = {
      {{"--batch", "--port", "COM1", "--expect-sha256", "abc"},
       "--expect-sha256 takes a SHA-256 as 64 hexadecimal digits, not 'abc' (3 characters)"},
      {{"--batch", "--port", "COM1", "--expect-sha256"}, "--expect-sha256 needs a value"},
      {{"--expect-sha256", kSmall.c_str()},
       "--expect-sha256 belongs to --batch (the dialog reads ORVEX_EXPECT_SHA256)"},
      {{"--list-ports", "--expect-sha256", kSmall.c_str()}, "--list-ports takes no other option"},
  };
  for (const Case& c : wrong) {
    const cli::CommandLine line = Parse(c.args);
    EXPECT_EQ(line.mode, cli::Mode::kWrong) << c.error;
    EXPECT_EQ(line.error, c.error);
  }
}

}  // namespace
