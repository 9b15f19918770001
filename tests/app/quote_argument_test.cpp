// The retry line's words, pasted into this system's shell, reach the program
// as they were: each quoted word goes through the shell (/bin/sh; cmd.exe on
// Windows) and the C runtime's own splitting of the command line, into a run
// of this test program that echoes its arguments back.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/system/child_process.h"

#ifdef _WIN32
#include <stdlib.h>  // __argc, __argv

#include "winapi.h"
#define popen _popen
#define pclose _pclose
#else
#include <unistd.h>
#endif

namespace {

constexpr char kEcho[] = "ORVEX_TEST_ECHO_ARGUMENTS";

// Before main: a run asked to echo writes each argument after the first, a
// line of its length then its bytes, and ends.
const bool kEchoed = [] {
  if (std::getenv(kEcho) == nullptr) return false;
#ifdef _WIN32
  const int argc = __argc;
  char** argv = __argv;
#else
  std::vector<std::string> arguments;
  std::string argument;
  for (FILE* in = std::fopen("/proc/self/cmdline", "rb"); in != nullptr;) {
    const int c = std::fgetc(in);
    if (c == EOF) break;
    if (c == 0) {
      arguments.push_back(argument);
      argument.clear();
    } else {
      argument += static_cast<char>(c);
    }
  }
  std::vector<char*> pointers;
  pointers.reserve(arguments.size());
  for (std::string& a : arguments) pointers.push_back(a.data());
  const int argc = static_cast<int>(pointers.size());
  char** argv = pointers.data();
#endif
  for (int i = 1; i < argc; ++i) std::printf("%zu\n%s\n", std::string(argv[i]).size(), argv[i]);
  std::fflush(stdout);
  std::_Exit(0);
}();

std::string OwnPath() {
  std::array<char, 4096> path{};
#ifdef _WIN32
  GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
#else
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size() - 1);
  if (length < 0) return "";
#endif
  return path.data();
}

// The arguments the shell and the C runtime make of `command`'s words.
std::vector<std::string> Echoed(const std::string& words) {
  std::vector<std::string> arguments;
  FILE* out = popen((sys::QuoteArgument(OwnPath()) + " " + words).c_str(), "r");
  if (out == nullptr) return arguments;
  for (std::size_t size = 0; std::fscanf(out, "%zu", &size) == 1;) {
    std::fgetc(out);  // the length's line end
    std::string argument(size, '\0');
    if (size > 0 && std::fread(argument.data(), 1, size, out) != size) break;
    arguments.push_back(argument);
  }
  pclose(out);
  return arguments;
}

TEST(QuoteArgument, EveryWordReachesTheProgramAsItWas) {
#ifdef _WIN32
  _putenv_s(kEcho, "1");
#else
  setenv(kEcho, "1", 1);
#endif
  const std::vector<std::string> words = {
      "COM3",       "bench 4",
      "",           "it's $HOME and `date`",
      "say \"hi\"", "C:\\line 4\\images\\",
      "a\\\\\"b",   "50% & more | <x> ^y; z",
      "tab\there",  "-port",
  };
  std::string command;
  for (const std::string& word : words) command += " " + sys::QuoteArgument(word);
  const std::vector<std::string> echoed = Echoed(command);
#ifdef _WIN32
  _putenv_s(kEcho, "");
#else
  unsetenv(kEcho);
#endif
  EXPECT_EQ(echoed, words) << command;
}

// What a reader of the retry line sees: plain words stay bare.
TEST(QuoteArgument, PlainWordsStayBare) {
  for (const char* word : {"COM3", "/tmp/image.srec", "orvex-programmer"})
    EXPECT_EQ(sys::QuoteArgument(word), word);
}

}  // namespace
