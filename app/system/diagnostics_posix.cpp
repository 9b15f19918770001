#include <cstring>

#include "diagnostics.h"
#include "output.h"

namespace sys {

std::string ComplaintPrefix() { return "orvex-programmer: "; }

void Complain(const std::string& text) { Print(stderr, ComplaintPrefix() + text + "\n"); }

std::string SystemErrorText(unsigned long code) { return std::strerror(static_cast<int>(code)); }

}  // namespace sys
