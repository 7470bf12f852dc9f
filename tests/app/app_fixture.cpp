#include "app_fixture.h"

#include <fstream>
#include <iterator>

namespace app_test {

TPicture24 Pattern(int width, int height) {
  TPicture24 picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto red = static_cast<std::uint32_t>((x * 41 + y * 3 + 10) & 0xFF);
      const auto green = static_cast<std::uint32_t>((y * 67 + x + 200) & 0xFF);
      const auto blue = static_cast<std::uint32_t>((x * y * 13 + 99) & 0xFF);
      picture.Pixels.push_back(red << 16 | green << 8 | blue);
    }
  }
  return picture;
}

std::vector<std::uint8_t> BmpBytes(const TPicture24& picture) {
  const auto width = static_cast<std::uint32_t>(picture.Width);
  const auto height = static_cast<std::uint32_t>(picture.Height);
  const std::uint32_t rowLength = (width * 3 + 3) & ~3u;
  std::vector<std::uint8_t> bytes;
  const auto put = [&bytes](std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
  };
  // File header, then the 40-byte information header: size, planes, bits, no compression.
  const std::pair<std::uint32_t, int> header[] = {
      {0x4D42, 2}, {54 + rowLength * height, 4}, {0, 4}, {54, 4}, {40, 4}, {width, 4}, {height, 4},
      {1, 2}, {24, 2}, {0, 4}, {rowLength * height, 4}, {0, 4}, {0, 4}, {0, 4}, {0, 4}};
  for (const auto& [value, size] : header) put(value, size);
  for (std::uint32_t y = height; y-- > 0;) {
    for (std::uint32_t x = 0; x < width; ++x) put(picture.Pixels[y * width + x], 3);
    bytes.resize(bytes.size() + rowLength - width * 3, 0);
  }
  return bytes;
}

TPixels Analysed(TPixels pixels, int condition) {
  const int primary = condition % 3;  // 0 red, 1 green, 2 blue
  for (std::uint32_t& pixel : pixels) {
    std::uint32_t channel[3] = {pixel >> 16 & 0xFF, pixel >> 8 & 0xFF, pixel & 0xFF};
    channel[primary] =
        condition < 3 ? 0 : (channel[(primary + 1) % 3] + channel[(primary + 2) % 3]) / 2;
    pixel = channel[0] << 16 | channel[1] << 8 | channel[2];
  }
  return pixels;
}

TPixels PixelsOf(const TBitmap& bitmap) {
  TBitmap copy;
  copy.Assign(&bitmap);
  copy.SetPixelLayout(TPixelLayout::pl24Bit);
  TPixels pixels;
  for (int y = 0; y < copy.Height(); ++y) {
    const std::uint8_t* row = copy.RowData(y);
    for (int x = 0; x < copy.Width(); ++x) {
      pixels.push_back(static_cast<std::uint32_t>(row[3 * x + 2] << 16 | row[3 * x + 1] << 8 |
                                                  row[3 * x]));
    }
  }
  return pixels;
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void MainWindowTest::SetUp() {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const char* test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
  Folder_ = std::string(temp) + "tintsight-" + test + "-" + std::to_string(::GetCurrentProcessId()) + "\\";
  ::CreateDirectoryA(Folder_.c_str(), nullptr);

  Application.SetTitle("Tintsight");
  Application.CreateForm(tintsight1Form);
  Form = tintsight1Form;
  Form->Show();
  ::SetForegroundWindow(Form->Handle());
  Application.ProcessMessages();
}

void MainWindowTest::TearDown() {
  tintsight1Form = nullptr;
  WIN32_FIND_DATAA found{};
  const HANDLE search = ::FindFirstFileA((Folder_ + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      ::DeleteFileA((Folder_ + found.cFileName).c_str());
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(Folder_.c_str());
}

void MainWindowTest::Click(TButton* button) {
  ::SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  Application.ProcessMessages();
}

void MainWindowTest::SelectCondition(int index) {
  ::SendMessageW(Form->CalcConditionRadioGroup->ItemHandle(index), BM_CLICK, 0, 0);
  Application.ProcessMessages();
}

}  // namespace app_test
