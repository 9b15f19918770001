#pragma once
// The port finder (--list-ports): what COM1 to COM12 open, whether they can be
// opened now, and how to point a COMn at an adapter.
#include <string>

namespace cli {

std::string PortList();

}  // namespace cli
