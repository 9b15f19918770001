// check-firmware-image: validates an S-record image file by the rule the simulated
// instrument applies to the stream it receives.
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "cli/number_arg.h"
#include "srec/image_reader.h"

namespace {

// The programmer sends the image in chunks of this size and counts them on its progress bar.
constexpr std::uint64_t kChunkBytes = 900;

void printHelp() {
  std::cout << "Usage: check-firmware-image [--max-chunks N] FILE\n"
               "Checks that every line of an S-record image is a record ending in CR LF, that\n"
               "data records go up in address order, and that one S7 record ends the file.\n"
               "Prints OK (exit 0) or the 1-based line of the first fault (exit 1).\n"
               "  --max-chunks N  also refuse an image of more than N chunks of "
            << kChunkBytes << " bytes\n";
}

}  // namespace

int main(int argc, char** argv) {
  std::optional<std::uint64_t> maxChunks;
  std::string path;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") return printHelp(), 0;
    if (arg == "--max-chunks" && i + 1 < argc && (maxChunks = cli::parseNumber<std::uint64_t>(argv[i + 1]))) {
      ++i;
    } else if (path.empty() && !arg.starts_with("--")) {
      path = arg;
    } else {
      std::cerr << "check-firmware-image: bad argument '" << arg << "' (see --help)\n";
      return 2;
    }
  }
  if (path.empty()) return printHelp(), 2;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::cerr << "check-firmware-image: cannot read " << path << "\n";
    return 2;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  if (maxChunks && text.size() / kChunkBytes > *maxChunks) {
    std::cout << path << ": " << text.size() << " bytes make " << text.size() / kChunkBytes << " chunks of "
              << kChunkBytes << " bytes; the programmer's progress bar counts at most " << *maxChunks
              << " (the image must be smaller than " << (*maxChunks + 1) * kChunkBytes << " bytes)\n";
    return 1;
  }
  const srec::ReadResult result = srec::readImage(text);
  if (!result.ok()) {
    std::cout << path << ": line " << result.badLine << ": " << result.error << "\n";
    return 1;
  }
  std::cout << "OK " << result.records.size() << " data records, " << result.dataBytes << " data bytes, "
            << text.size() << " bytes\n";
  return 0;
}
