#pragma once
#include <string>

namespace posix {

// The configuration folder by the XDG base-directory rule: $XDG_CONFIG_HOME when it is set
// and absolute, else $HOME/.config, with the account's home folder when HOME is unset or empty.
std::string ConfigHome();
// The state folder by the same rule: $XDG_STATE_HOME, else $HOME/.local/state.
std::string StateHome();

}  // namespace posix
