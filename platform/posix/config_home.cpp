#include "config_home.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

namespace posix {
namespace {

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] != '\0') return home;
  const passwd* account = getpwuid(getuid());
  return account != nullptr && account->pw_dir != nullptr ? account->pw_dir : "";
}

// A relative value is invalid by the rule and is ignored.
std::string XdgFolder(const char* variable, const char* fallBack) {
  if (const char* xdg = std::getenv(variable); xdg != nullptr && xdg[0] == '/') return xdg;
  return HomeFolder() + fallBack;
}

}  // namespace

std::string ConfigHome() { return XdgFolder("XDG_CONFIG_HOME", "/.config"); }
std::string StateHome() { return XdgFolder("XDG_STATE_HOME", "/.local/state"); }

}  // namespace posix
