// make-firmware-image: writes a deterministic S-record firmware image of an exact size.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/number_arg.h"
#include "cli/option_parser.h"
#include "image/image_generator.h"

namespace {

struct Settings {
  std::uint64_t size = image::kDefaultSize;
  std::uint64_t seed = image::kDefaultSeed;
  std::string output = "firmware.srec";
};

void printHelp() {
  std::cout << "Usage: make-firmware-image [--size N] [--output FILE] [--seed N]\n"
               "Writes an S-record image (S3 data records of pseudo-random bytes, one S7\n"
               "record, CR LF line ends) that is exactly N bytes long.\n"
               "  --size N       file size in bytes, even, at least 34 (default "
            << image::kDefaultSize
            << ")\n"
               "  --output FILE  where to write it (default firmware.srec)\n"
               "  --seed N       data seed; the same size and seed give the same file\n"
               "  --help         this text\n";
}

// Returns 0 to go on, -1 after the help text, otherwise the exit code.
int parse(int argc, char** argv, Settings& settings) {
  bool help = false;
  const auto number = [](std::uint64_t& field) {
    return [&field](std::string_view value) {
      const auto parsed = cli::parseNumber<std::uint64_t>(value);
      if (parsed) field = *parsed;
      return parsed.has_value();
    };
  };
  const cli::Option options[] = {
      {"--help", false, [&help](std::string_view) { return help = true; }, true},
      {"--size", true, number(settings.size)},
      {"--output", true, [&settings](std::string_view value) { return settings.output = value, true; }},
      {"--seed", true, number(settings.seed)},
  };
  const auto error = cli::parseOptions(std::vector<std::string>(argv + 1, argv + argc), options);
  if (!error) return help ? (printHelp(), -1) : 0;
  if (error->kind == cli::ParseError::Kind::BadValue)
    std::cerr << "make-firmware-image: " << error->argument << " needs a number\n";
  else
    std::cerr << "make-firmware-image: bad argument '" << error->argument << "' (see --help)\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Settings settings;
  if (const int code = parse(argc, argv, settings); code != 0) return code < 0 ? 0 : code;
  if (const std::string problem = image::sizeProblem(settings.size); !problem.empty()) {
    std::cerr << "make-firmware-image: size " << settings.size << ": " << problem << "\n";
    return 2;
  }
  const std::string text = image::generate(settings.size, settings.seed);
  std::ofstream out(settings.output, std::ios::binary | std::ios::trunc);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  out.close();
  if (!out) {
    std::cerr << "make-firmware-image: cannot write " << settings.output << "\n";
    return 1;
  }
  return 0;
}
