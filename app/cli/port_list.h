#pragma once
// The port finder (--list-ports): what the ports from index `from` to `to`
// (COM1 to COM12 unless asked) open, whether they can be opened now, and how
// to point a COMn at an adapter.
#include <string>

namespace cli {

std::string PortList(int from, int to);

}  // namespace cli
