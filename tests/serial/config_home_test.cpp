// Where the programmer looks for its ports folder, which the simulator links COMn into.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>

#include "posix/config_home.h"
#include "tests/support/pty_pair.h"
#include "winapi.h"

namespace {

// Sets or unsets one variable for the scope of a test.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~ScopedVariable() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(ConfigHome, FollowsTheBaseDirectoryRule) {
  const passwd* account = getpwuid(getuid());
  ASSERT_NE(account, nullptr);
  const std::string accountHome = account->pw_dir;
  struct Case {
    const char* what;
    std::optional<std::string> xdg, home;
    std::string expected;
  };
  const Case cases[] = {
      {"absolute", "/srv/conf", "/home/op", "/srv/conf"},
      {"empty", "", "/home/op", "/home/op/.config"},
      {"relative", "conf", "/home/op", "/home/op/.config"},
      {"dot-relative", "./conf", "/home/op", "/home/op/.config"},
      {"unset", std::nullopt, "/home/op", "/home/op/.config"},
      {"HOME unset", std::nullopt, std::nullopt, accountHome + "/.config"},
      {"HOME empty", "relative", "", accountHome + "/.config"},
  };
  for (const Case& c : cases) {
    const ScopedVariable xdg("XDG_CONFIG_HOME", c.xdg);
    const ScopedVariable home("HOME", c.home);
    EXPECT_EQ(posix::ConfigHome(), c.expected) << c.what;
  }
}

TEST(ConfigHome, StateFolderFollowsTheSameRule) {
  const ScopedVariable home("HOME", "/home/op");
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {"/var/lib/station", "/var/lib/station"},
      {"state", "/home/op/.local/state"},
      {std::nullopt, "/home/op/.local/state"}};
  for (const auto& [value, expected] : cases) {
    const ScopedVariable state("XDG_STATE_HOME", value);
    EXPECT_EQ(posix::StateHome(), expected) << value.value_or("(unset)");
  }
}

TEST(ConfigHome, RelativeSettingLeavesThePortsUnderHome) {
  const test::ConfigHome folder;  // a fresh folder, used here as HOME
  const test::PtyPair line;
  const ScopedVariable home("HOME", folder.Path());
  const ScopedVariable xdg("XDG_CONFIG_HOME", "orvex-relative");
  const std::filesystem::path ports = folder.Path() + "/.config/orvex-programmer/ports";
  std::filesystem::create_directories(ports);
  std::filesystem::create_symlink(line.DevicePath(), ports / "COM2");
  HANDLE port = CreateFileA("COM2", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_OVERLAPPED, nullptr);
  EXPECT_NE(port, INVALID_HANDLE_VALUE);
  if (port != INVALID_HANDLE_VALUE) CloseHandle(port);
}

}  // namespace
