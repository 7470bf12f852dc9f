// Writes the seed corpus of the spi_picture fuzz target from a folder of BMP files: each file's
// information block (everything between the 14-byte file header and the bits) and its bits,
// laid out as the target reads them. The BMP suite thus gives every header version, depth,
// colour-table size and mask layout a plug-in could return.
//   spi_picture_seeds <output folder> <BMP folder>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using TBytes = std::vector<std::uint8_t>;

constexpr std::size_t kFileHeaderSize = 14;

std::uint32_t Get32(const TBytes& bytes, std::size_t at) {
  return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The target's input for one BMP file; empty when the file does not have the two blocks.
TBytes SeedFromBmp(const TBytes& file) {
  if (file.size() < kFileHeaderSize + 4 || file[0] != 'B' || file[1] != 'M') return {};
  const std::size_t bitsOffset = Get32(file, 10);
  if (bitsOffset <= kFileHeaderSize || bitsOffset > file.size()) return {};
  const std::size_t infoSize = bitsOffset - kFileHeaderSize;
  if (infoSize > 0xFFFF) return {};
  TBytes seed = {static_cast<std::uint8_t>(infoSize), static_cast<std::uint8_t>(infoSize >> 8)};
  seed.insert(seed.end(), file.begin() + kFileHeaderSize, file.end());
  return seed;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s <output folder> <BMP folder>\n", argv[0]);
    return 2;
  }
  namespace fs = std::filesystem;
  const fs::path output = argv[1];
  int written = 0;
  try {
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(argv[2])) {
      if (!entry.is_regular_file() || entry.path().extension() != ".bmp") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      const TBytes file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      const TBytes seed = SeedFromBmp(file);
      if (seed.empty()) continue;
      // Suite folders repeat file names; the folder keeps them apart.
      const std::string name =
          entry.path().parent_path().filename().string() + "_" + entry.path().stem().string();
      std::ofstream out(output / name, std::ios::binary);
      out.write(reinterpret_cast<const char*>(seed.data()),
                static_cast<std::streamsize>(seed.size()));
      if (!out) {
        std::fprintf(stderr, "cannot write %s\n", (output / name).c_str());
        return 1;
      }
      ++written;
    }
  } catch (const fs::filesystem_error& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
  std::printf("%d seeds written to %s\n", written, output.c_str());
  return written > 0 ? 0 : 1;
}
