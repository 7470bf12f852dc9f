#include "image/clipboard.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "image/bitmap.h"
#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

std::uintptr_t applicationWindow = 0;

// The names the program registers its private formats under.
constexpr char PictureFormatName[] = "Tintsight Picture";
constexpr char ComponentFormatName[] = "Tintsight Component";

// The clipboard formats that a registered picture class reads: the bitmap's alone.
constexpr unsigned PictureClassFormats[] = {kClipboardBitmap};

void* AsHandle(std::uintptr_t handle) { return reinterpret_cast<void*>(handle); }

// A bitmap info block: the header followed by room for 256 colour-table entries (or masks),
// aligned for the system to fill in.
class TInfoBlock {
 public:
  explicit TInfoBlock(const TBitmapInfoHeader& header) {
    std::memcpy(Words_.data(), &header, sizeof header);
  }
  std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(Words_.data()); }
  std::span<const TRGBQuad> ColorTable(std::size_t count) const {
    return {reinterpret_cast<const TRGBQuad*>(Words_.data() + 10), std::min<std::size_t>(count, 256)};
  }

 private:
  std::array<std::uint32_t, 10 + 256> Words_{};
};

TBitmapInfoHeader PlainHeader(int width, int height, int bitCount) {
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bitCount);
  header.biCompression = BI_RGB;
  return header;
}

int Brightness(const TRGBQuad& colour) { return colour.rgbRed + colour.rgbGreen + colour.rgbBlue; }

// The device-dependent copy: the screen format (32 bits) read out by the system, or 1 bit for a
// monochrome bitmap, black for 0 and white for 1 whatever the system's table says.
TRasterBitmapPtr CopyToDevice(void* source, const platform::TBitmapObject& object) {
  const int width = object.Width;
  const int height = object.Height;
  const bool monochrome = object.Planes == 1 && object.BitsPixel == 1;
  TRasterBitmapPtr copy = TRasterBitmap::CreateDevice(width, height, monochrome);
  if (!monochrome) {
    // Top-down rows of blue, green, red and a fourth byte: the engine's screen format exactly.
    TInfoBlock info(PlainHeader(width, -height, 32));
    if (platform::ReadBitmapBits(source, info.Bytes(), copy->Bits(), height) != height) {
      throw EInvalidGraphic(rtl_messages::SInvalidBitmap);
    }
    for (int row = 0; row < height; ++row) {
      std::uint8_t* bytes = copy->Row(row);
      for (int x = 0; x < width; ++x) bytes[4 * x + 3] = 0;
    }
    return copy;
  }
  // The system pads 1-bit rows to 4 bytes, the engine to 2: read, then copy row by row.
  TBitmapInfoHeader header = PlainHeader(width, -height, 1);
  header.biClrUsed = 2;
  TInfoBlock info(header);
  const std::int64_t rowLength = DIBRowLength(width, 1);
  std::vector<std::uint8_t> rows(static_cast<std::size_t>(rowLength * height));
  if (platform::ReadBitmapBits(source, info.Bytes(), rows.data(), height) != height) {
    throw EInvalidGraphic(rtl_messages::SInvalidBitmap);
  }
  const auto table = info.ColorTable(2);
  const bool inverted = Brightness(table[0]) > Brightness(table[1]);
  const auto used = static_cast<std::size_t>((width + 7) / 8);
  for (int row = 0; row < height; ++row) {
    const std::uint8_t* from = rows.data() + row * rowLength;
    std::uint8_t* to = copy->Row(row);
    if (inverted) {
      std::transform(from, from + used, to, [](std::uint8_t bits) {
        return static_cast<std::uint8_t>(~bits);
      });
    } else {
      std::memcpy(to, from, used);
    }
  }
  return copy;
}

// A DIB section handed over as such: a section with the same header, converted directly.
TRasterBitmapPtr CopySection(void* source, const platform::TBitmapObject& object) {
  TBitmapInfoHeader header{};
  std::memcpy(&header, object.Header, sizeof header);
  header.biSize = sizeof header;
  const int rows = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  TInfoBlock info(header);
  std::vector<TRGBQuad> table;
  if (header.biBitCount <= 8) {
    // Without pixel memory the system fills in only the colour table.
    if (platform::ReadBitmapBits(source, info.Bytes(), nullptr, rows) == 0) {
      throw EInvalidGraphic(rtl_messages::SInvalidBitmap);
    }
    const std::size_t count = header.biClrUsed != 0 ? header.biClrUsed : 1u << header.biBitCount;
    const auto entries = info.ColorTable(count);
    table.assign(entries.begin(), entries.end());
  }
  TRasterBitmapPtr copy = TRasterBitmap::CreateSection(header, object.Masks, table);
  TInfoBlock target(header);
  if (platform::ReadBitmapBits(source, target.Bytes(), copy->Bits(), rows) != rows) {
    throw EInvalidGraphic(rtl_messages::SInvalidBitmap);
  }
  return copy;
}

}  // namespace

TClipboard::TClipboard() {
  PictureFormat();
  ComponentFormat();
}

TClipboard::~TClipboard() {
  if (OpenCount_ > 0) {
    OpenCount_ = 1;
    Close();
  }
}

unsigned TClipboard::PictureFormat() {
  static const unsigned format = platform::RegisterClipboardFormatName(PictureFormatName);
  return format;
}

unsigned TClipboard::ComponentFormat() {
  static const unsigned format = platform::RegisterClipboardFormatName(ComponentFormatName);
  return format;
}

void TClipboard::SetApplicationWindow(std::uintptr_t window) { applicationWindow = window; }

void TClipboard::Open() {
  if (OpenCount_ == 0) {
    OwnerWindow_ = applicationWindow;
    if (OwnerWindow_ == 0) {
      OwnWindow_ = platform::MessageWindow::Create();
      OwnerWindow_ = reinterpret_cast<std::uintptr_t>(OwnWindow_.Handle());
    }
    if (!platform::OpenClipboard(AsHandle(OwnerWindow_))) {
      OwnWindow_ = platform::MessageWindow();
      OwnerWindow_ = 0;
      throw Exception(rtl_messages::SCannotOpenClipboard);
    }
    Emptied_ = false;
  }
  ++OpenCount_;
}

void TClipboard::Close() {
  if (OpenCount_ == 0) return;
  if (--OpenCount_ > 0) return;
  platform::CloseClipboard();
  OwnWindow_ = platform::MessageWindow();
  OwnerWindow_ = 0;
}

bool TClipboard::HasDataFormat(unsigned format) {
  if (platform::IsClipboardFormatAvailable(format)) return true;
  if (format == 0 || format != PictureFormat()) return false;
  TClipboardOpen open(*this);
  for (unsigned offered = platform::EnumClipboardFormats(0); offered != 0;
       offered = platform::EnumClipboardFormats(offered)) {
    if (std::find(std::begin(PictureClassFormats), std::end(PictureClassFormats), offered) !=
        std::end(PictureClassFormats)) {
      return true;
    }
  }
  return false;
}

std::uintptr_t TClipboard::GetDataHandle(unsigned format) {
  TClipboardOpen open(*this);
  return reinterpret_cast<std::uintptr_t>(platform::GetClipboardData(format));
}

TClipboard& TheClipboard() {
  static const std::unique_ptr<TClipboard> clipboard = std::make_unique<TClipboard>();
  return *clipboard;
}

void ImportClipboardBitmap(TClipboard& clipboard, TBitmap& bitmap) {
  TClipboardOpen open(clipboard);
  const std::uintptr_t data = clipboard.GetDataHandle(kClipboardBitmap);
  bitmap.LoadFromClipboardData(kClipboardBitmap, data, 0);
}

void TBitmap::LoadFromClipboardData(unsigned format, std::uintptr_t data, std::uintptr_t palette) {
  if (format != kClipboardBitmap || data == 0 || !platform::HasClipboard()) {
    throw EInvalidGraphic(rtl_messages::SUnknownClipboardFormat);
  }
  platform::TBitmapObject object;
  if (platform::DescribeBitmap(AsHandle(data), object) < 24) {
    throw EInvalidGraphic(rtl_messages::SInvalidBitmap);
  }
  TPaletteHandle paletteCopy;
  if (palette != 0) {
    std::vector<TPaletteEntry> entries;
    for (const std::uint32_t packed : platform::PaletteEntries(AsHandle(palette))) {
      entries.push_back({static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
                         static_cast<std::uint8_t>(packed >> 16),
                         static_cast<std::uint8_t>(packed >> 24)});
    }
    if (!entries.empty()) paletteCopy = std::make_shared<const TPalette>(std::move(entries));
  }
  // A bitmap without pixels makes an empty picture.
  TRasterBitmapPtr copy;
  if (object.Width > 0 && object.Height > 0) {
    copy = object.IsSection ? CopySection(AsHandle(data), object) : CopyToDevice(AsHandle(data), object);
  }
  ImageLoaded(std::move(copy), std::move(paletteCopy), false);
}
