#include "pty_pair.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace test {
namespace fs = std::filesystem;

namespace {
constexpr char kPrefix[] = "orvex-test-";

// A death test's child runs the test again with its parent's environment: it
// takes over the parent's folder, which the parent removes, since the child
// may end without running a destructor.
std::string InheritedFolder() {
  const char* inherited = std::getenv("XDG_CONFIG_HOME");
  if (inherited == nullptr || fs::path(inherited).filename().string().rfind(kPrefix, 0) != 0) return "";
  return fs::is_directory(inherited) ? inherited : "";  // a missing one is no error
}
}  // namespace

std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp " + pattern);
  return pattern;
}

ConfigHome::ConfigHome() : path_(InheritedFolder()), owner_(path_.empty()) {
  if (owner_) path_ = MakeTempFolder(kPrefix);
  fs::create_directories(path_ + "/orvex-programmer/ports");
  setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

ConfigHome::~ConfigHome() {
  if (!owner_) return;
  unsetenv("XDG_CONFIG_HOME");
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void ConfigHome::Link(const std::string& portName, const std::string& target) const {
  fs::path link = path_ + "/orvex-programmer/ports/" + portName;
  fs::remove(link);  // a missing one is no error
  fs::create_symlink(target, link);
}

void PtyPair::Write(const std::string& bytes) const {
  for (std::size_t done = 0; done < bytes.size();) {
    ssize_t n = ::write(pty_.master(), bytes.data() + done, bytes.size() - done);
    if (n <= 0) throw std::runtime_error("pty write");
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace test
