#include "pictures/spi_bitmap.h"

#include <cstring>
#include <limits>
#include <vector>

#include "image/bmp/bmp_format.h"
#include "image/raster/dib.h"
#include "pictures/joined_memory_stream.h"
#include "plugins/spis.h"
#include "rtl/exception.h"
#include "rtl/messages.h"
#include "rtl/stream.h"

namespace {

// At program start, before any collection exists, plug-in formats are registered under this
// class. Living in the same translation unit as the constructor, this runs in every program
// that can make a TSPIBitmap.
const bool kDefaultGraphicSet = [] {
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TSPIBitmap>());
  return true;
}();

[[noreturn]] void InvalidBitmap() {
  throw EInvalidGraphic(std::string(rtl_messages::SInvalidBitmap));
}

void Put32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Header sizes that are carried whole: the 40-byte header, the versions with masks (52), with
// alpha mask (56), and the version 4 and 5 headers. Any other value is taken as 40 bytes,
// unchanged, for the BMP reader to judge.
std::uint32_t CarriedHeaderSize(std::uint32_t biSize) {
  switch (biSize) {
    case 52:
    case 56:
    case 108:
    case 124:
      return biSize;
    default:
      return kBmpInfoHeaderSize;
  }
}

std::uint32_t DefaultColourCount(std::uint16_t bitCount) {
  switch (bitCount) {
    case 1:
      return 2;
    case 4:
      return 16;
    case 8:
      return 256;
    default:
      return 0;
  }
}

void LoadBitmapNatively(TGraphic& graphic, TStream& stream) {
  static_cast<TBitmap&>(graphic).TBitmap::LoadFromStream(stream);
}

void LoadGraphicFromFile(TGraphic& graphic, const std::string& fileName) {
  graphic.TGraphic::LoadFromFile(fileName);
}

}  // namespace

TSPIBitmap::TSPIBitmap() : SPIAble_(std::make_unique<TInSPIAble>(this)) {
  SPIAble_->SetNativeExt("BMP");
  SPIAble_->SetLoadFromFileProc(LoadGraphicFromFile);
  SPIAble_->SetLoadFromStreamProc(LoadBitmapNatively);
  SPIAble_->SetLoadFromSPIProc(
      [this](std::span<const std::uint8_t> BMInfo, std::span<const std::uint8_t> PBM,
             const TPictureInfoRec& Info, bool& Done) { LoadFromSPI(BMInfo, PBM, Info, Done); });
}

TSPIBitmap::~TSPIBitmap() = default;

TGraphicClass TSPIBitmap::ClassType() const { return TGraphicClass::Of<TSPIBitmap>(); }

void TSPIBitmap::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TSPIBitmap*>(source)) {
    SkipLeadingHeader_ = other->SkipLeadingHeader_;
  }
  TBitmap::Assign(source);
}

void TSPIBitmap::LoadFromFile(const std::string& fileName) {
  SPIAble_->SetSkipLeadingHeader(SkipLeadingHeader_);
  SPIAble_->LoadFromFile(fileName);
}

void TSPIBitmap::LoadFromStream(TStream& stream) {
  SPIAble_->SetSkipLeadingHeader(SkipLeadingHeader_);
  SPIAble_->LoadFromStream(stream);
}

void TSPIBitmap::LoadFromStreamWithName(TStream& stream, const std::string& name) {
  SPIAble_->SetSkipLeadingHeader(SkipLeadingHeader_);
  SPIAble_->LoadFromStreamWithName(stream, name);
}

void TSPIBitmap::LoadFromSPI(std::span<const std::uint8_t> BMInfo,
                             std::span<const std::uint8_t> PBM, const TPictureInfoRec& /*Info*/,
                             bool& Done) {
  if (BMInfo.size() < kBmpInfoHeaderSize) InvalidBitmap();
  TBitmapInfoHeader header;
  std::memcpy(&header, BMInfo.data(), sizeof header);

  if (header.biCompression != BI_RGB && header.biCompression != BI_BITFIELDS) InvalidBitmap();
  if (header.biWidth < 0) InvalidBitmap();
  const std::uint32_t colourCount =
      header.biClrUsed != 0 ? header.biClrUsed : DefaultColourCount(header.biBitCount);
  if (colourCount > kBmpMaxColours) InvalidBitmap();

  // Sizes in 64 bits, each checked against the block it is read from before a byte is copied.
  // Width and bit count are below 2^31 and 2^16, so the row size cannot overflow; the image size
  // is formed only once it is known to fit the pixel block.
  const std::uint32_t carried = CarriedHeaderSize(header.biSize);
  const std::int64_t masks =
      carried == kBmpInfoHeaderSize && header.biCompression == BI_BITFIELDS ? kBmpMasksSize : 0;
  const std::int64_t headerSize = std::int64_t{carried} + masks + std::int64_t{colourCount} * 4;
  if (headerSize > static_cast<std::int64_t>(BMInfo.size())) InvalidBitmap();
  const std::int64_t rowSize = (std::int64_t{header.biWidth} * header.biBitCount + 31) / 32 * 4;
  const std::int64_t height =
      header.biHeight < 0 ? -std::int64_t{header.biHeight} : header.biHeight;
  const auto available = static_cast<std::int64_t>(PBM.size());
  if (height > 0 && rowSize > available / height) InvalidBitmap();
  const std::int64_t imageSize = rowSize * height;
  const std::int64_t fileSize = kBmpFileHeaderSize + headerSize + imageSize;
  if (fileSize > std::numeric_limits<std::int32_t>::max()) InvalidBitmap();

  // The file header and the carried headers are assembled; the pixels are read from the
  // plug-in's block where it stands.
  std::vector<std::uint8_t> head(static_cast<std::size_t>(kBmpFileHeaderSize + headerSize));
  std::uint8_t* out = head.data();
  out[0] = 'B';
  out[1] = 'M';
  Put32(out + 2, static_cast<std::uint32_t>(fileSize));
  Put32(out + 6, 0);
  Put32(out + 10, static_cast<std::uint32_t>(kBmpFileHeaderSize + headerSize));
  std::memcpy(out + kBmpFileHeaderSize, BMInfo.data(), static_cast<std::size_t>(headerSize));
  TJoinedMemoryStream image(head, PBM.first(static_cast<std::size_t>(imageSize)));
  TBitmap::LoadFromStream(image);
  Done = true;
}
