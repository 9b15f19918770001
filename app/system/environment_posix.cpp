#include <cstdlib>

#include "environment.h"

namespace sys {

std::string EnvironmentVariable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

}  // namespace sys
