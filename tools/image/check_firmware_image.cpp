// check-firmware-image: validates an S-record image file record by record.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <string_view>

#include "srec/image_reader.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string_view(argv[1]) == "--help") {
    std::cout << "Usage: check-firmware-image FILE\n"
                 "Checks every record of an S-record image and that S7 closes it.\n"
                 "Prints OK (exit 0) or the 1-based line of the first bad record (exit 1).\n";
    return argc == 2 ? 0 : 2;
  }
  std::ifstream in(argv[1], std::ios::binary);
  if (!in) {
    std::cerr << "check-firmware-image: cannot read " << argv[1] << "\n";
    return 2;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const srec::ReadResult result = srec::readImage(text);
  if (!result.ok()) {
    std::cout << argv[1] << ": line " << result.badLine << ": " << result.error << "\n";
    return 1;
  }
  std::cout << "OK " << result.records.size() << " data records, " << result.dataBytes << " data bytes, "
            << text.size() << " bytes\n";
  return 0;
}
