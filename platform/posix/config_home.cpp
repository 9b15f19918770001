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

}  // namespace

std::string ConfigHome() {
  // A relative XDG_CONFIG_HOME is invalid by the rule and is ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && xdg[0] == '/') return xdg;
  return HomeFolder() + "/.config";
}

}  // namespace posix
