#include "image/raster/pixel_format.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <optional>

#include "image/raster/nearest_colour.h"
#include "image/raster/palette.h"
#include "image/raster/raster_bitmap.h"

// Pixel words are read and written with memcpy in the host's order, which must be the formats'.
static_assert(std::endian::native == std::endian::little);

namespace {

constexpr TRGBQuad kBlack{0, 0, 0, 0};
constexpr TRGBQuad kWhite{0xFF, 0xFF, 0xFF, 0};
constexpr std::uint32_t kMasks555[3] = {0x7C00, 0x03E0, 0x001F};

// One colour channel of a bit-field layout: where it lies in the pixel, and how its values
// widen to 8 bits (unpacking) and narrow from 8 bits into place (packing).
struct TChannel {
  std::uint32_t Mask = 0;
  int Shift = 0;  // shift that brings the field's top 8 bits (or all of a shorter field) down
  std::array<std::uint8_t, 256> Widen{};
  std::array<std::uint32_t, 256> Narrow{};
};

// The value of an `bits`-bit field, widened to 8 bits by repeating its bits from the top.
std::uint8_t Replicate(std::uint32_t value, int bits) {
  std::uint32_t acc = 0;
  int filled = 0;
  while (filled < 8) {
    acc = (acc << bits) | value;
    filled += bits;
  }
  return static_cast<std::uint8_t>(acc >> (filled - 8));
}

TChannel MakeChannel(std::uint32_t mask) {
  TChannel channel;
  channel.Mask = mask;
  if (mask == 0) return channel;
  const int low = std::countr_zero(mask);
  const int bits = 32 - std::countl_zero(mask) - low;
  channel.Shift = low + std::max(bits - 8, 0);
  const int kept = std::min(bits, 8);
  for (std::uint32_t v = 0; v < (1u << kept); ++v) channel.Widen[v] = Replicate(v, kept);
  for (std::uint32_t v = 0; v < 256; ++v) {
    // Narrowing keeps the top bits; a field wider than 8 bits gets the 8 bits repeated.
    const std::uint32_t field =
        bits <= 8 ? v >> (8 - bits)
                  : static_cast<std::uint32_t>(
                        (static_cast<std::uint64_t>(v) * ((std::uint64_t{1} << bits) - 1)) / 255);
    channel.Narrow[v] = (field << low) & mask;
  }
  return channel;
}

// Everything a row function needs of its picture, worked out once per conversion.
struct TRowContext {
  std::array<TRGBQuad, 256> Table{};  // indexed layouts: the colour table, black beyond its end
  std::array<TChannel, 3> Channels;   // bit-field layouts: red, green, blue
  std::optional<TNearestColour> Nearest;  // packing into an indexed layout
};

using TUnpackRow = void (*)(const std::uint8_t* source, TRGBQuad* row, int width,
                            const TRowContext& context);
using TPackRow = void (*)(const TRGBQuad* row, std::uint8_t* target, int width,
                          TRowContext& context);

void UnpackIndexed1(const std::uint8_t* s, TRGBQuad* row, int width, const TRowContext& c) {
  for (int x = 0; x < width; ++x) row[x] = c.Table[(s[x >> 3] >> (7 - (x & 7))) & 1];
}
void UnpackIndexed4(const std::uint8_t* s, TRGBQuad* row, int width, const TRowContext& c) {
  for (int x = 0; x < width; ++x) row[x] = c.Table[(s[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF];
}
void UnpackIndexed8(const std::uint8_t* s, TRGBQuad* row, int width, const TRowContext& c) {
  for (int x = 0; x < width; ++x) row[x] = c.Table[s[x]];
}

template <int Bytes>
void UnpackMasked(const std::uint8_t* s, TRGBQuad* row, int width, const TRowContext& c) {
  const TChannel& r = c.Channels[0];
  const TChannel& g = c.Channels[1];
  const TChannel& b = c.Channels[2];
  for (int x = 0; x < width; ++x) {
    std::uint32_t pixel = 0;
    std::memcpy(&pixel, s + x * Bytes, Bytes);
    row[x] = TRGBQuad{b.Widen[((pixel & b.Mask) >> b.Shift) & 0xFF],
                      g.Widen[((pixel & g.Mask) >> g.Shift) & 0xFF],
                      r.Widen[((pixel & r.Mask) >> r.Shift) & 0xFF], 0};
  }
}

void UnpackRGB24(const std::uint8_t* s, TRGBQuad* row, int width, const TRowContext&) {
  for (int x = 0; x < width; ++x, s += 3) row[x] = TRGBQuad{s[0], s[1], s[2], 0};
}
void UnpackRGB32(const std::uint8_t* s, TRGBQuad* row, int width, const TRowContext&) {
  std::memcpy(row, s, static_cast<std::size_t>(width) * 4);
}

// Sub-byte packing changes only the bits of the pixels written, so pixels beside a copied
// region (and the padding bits of the last byte) keep their values.
void PackIndexed1(const TRGBQuad* row, std::uint8_t* t, int width, TRowContext& c) {
  for (int x = 0; x < width; ++x) {
    const auto bit = static_cast<std::uint8_t>(0x80u >> (x & 7));
    if ((*c.Nearest)(row[x]) & 1) {
      t[x >> 3] = static_cast<std::uint8_t>(t[x >> 3] | bit);
    } else {
      t[x >> 3] = static_cast<std::uint8_t>(t[x >> 3] & ~bit);
    }
  }
}
void PackIndexed4(const TRGBQuad* row, std::uint8_t* t, int width, TRowContext& c) {
  for (int x = 0; x < width; ++x) {
    const std::uint8_t index = (*c.Nearest)(row[x]) & 0xF;
    std::uint8_t& byte = t[x >> 1];
    byte = (x & 1) ? static_cast<std::uint8_t>((byte & 0xF0) | index)
                   : static_cast<std::uint8_t>((byte & 0x0F) | (index << 4));
  }
}
void PackIndexed8(const TRGBQuad* row, std::uint8_t* t, int width, TRowContext& c) {
  for (int x = 0; x < width; ++x) t[x] = (*c.Nearest)(row[x]);
}

template <int Bytes>
void PackMasked(const TRGBQuad* row, std::uint8_t* t, int width, TRowContext& c) {
  const TChannel& r = c.Channels[0];
  const TChannel& g = c.Channels[1];
  const TChannel& b = c.Channels[2];
  for (int x = 0; x < width; ++x) {
    const std::uint32_t pixel =
        r.Narrow[row[x].rgbRed] | g.Narrow[row[x].rgbGreen] | b.Narrow[row[x].rgbBlue];
    std::memcpy(t + x * Bytes, &pixel, Bytes);
  }
}

void PackRGB24(const TRGBQuad* row, std::uint8_t* t, int width, TRowContext&) {
  for (int x = 0; x < width; ++x, t += 3) {
    t[0] = row[x].rgbBlue;
    t[1] = row[x].rgbGreen;
    t[2] = row[x].rgbRed;
  }
}
void PackRGB32(const TRGBQuad* row, std::uint8_t* t, int width, TRowContext&) {
  std::memcpy(t, row, static_cast<std::size_t>(width) * 4);
}

struct TFormatEntry {
  TPixelFormat Format;
  int BitsPerPixel;
  TUnpackRow Unpack;
  TPackRow Pack;
};

// The one table of pixel formats; indexed by TPixelFormat.
constexpr TFormatEntry kFormats[] = {
    {TPixelFormat::pfIndexed1, 1, UnpackIndexed1, PackIndexed1},
    {TPixelFormat::pfIndexed4, 4, UnpackIndexed4, PackIndexed4},
    {TPixelFormat::pfIndexed8, 8, UnpackIndexed8, PackIndexed8},
    {TPixelFormat::pfMasked16, 16, UnpackMasked<2>, PackMasked<2>},
    {TPixelFormat::pfRGB24, 24, UnpackRGB24, PackRGB24},
    {TPixelFormat::pfRGB32, 32, UnpackRGB32, PackRGB32},
    {TPixelFormat::pfMasked32, 32, UnpackMasked<4>, PackMasked<4>},
};

constexpr bool TableFollowsEnum() {
  for (int i = 0; i < static_cast<int>(std::size(kFormats)); ++i) {
    if (static_cast<int>(kFormats[i].Format) != i) return false;
  }
  return true;
}
static_assert(TableFollowsEnum(), "kFormats must list the formats in the order of TPixelFormat");

const TFormatEntry& EntryOf(TPixelFormat format) { return kFormats[static_cast<int>(format)]; }

// The colour table through which the pixels of `bitmap` are read: its own for a DIB section,
// black and white for a monochrome device bitmap.
std::span<const TRGBQuad> TableOf(const TRasterBitmap& bitmap) {
  static constexpr TRGBQuad kBlackWhite[2] = {kBlack, kWhite};
  if (!bitmap.IsSection() && bitmap.IsMonochrome()) return kBlackWhite;
  return bitmap.ColorTable();
}

TRowLayout LayoutOf(const TRasterBitmap& bitmap) {
  TRowLayout layout;
  layout.Format = PixelFormatOf(bitmap);
  layout.Table = TableOf(bitmap);
  const TDIBSection& d = bitmap.Description();
  const std::uint32_t* masks = d.dsBmih.biCompression == BI_BITFIELDS ? d.dsBitfields : kMasks555;
  std::copy(masks, masks + 3, layout.Masks.begin());
  return layout;
}

void PrepareContext(const TRowLayout& layout, bool packing, TRowContext& context) {
  switch (layout.Format) {
    case TPixelFormat::pfIndexed1:
    case TPixelFormat::pfIndexed4:
    case TPixelFormat::pfIndexed8:
      if (packing) {
        context.Nearest.emplace(layout.Table);
      } else {
        std::copy_n(layout.Table.begin(), std::min<std::size_t>(layout.Table.size(), 256),
                    context.Table.begin());
      }
      return;
    case TPixelFormat::pfMasked16:
    case TPixelFormat::pfMasked32:
      for (std::size_t i = 0; i < 3; ++i) context.Channels[i] = MakeChannel(layout.Masks[i]);
      return;
    case TPixelFormat::pfRGB24:
    case TPixelFormat::pfRGB32:
      return;
  }
}

// Whether rows can be copied byte for byte: the same format read the same way.
bool SameLayout(const TRasterBitmap& source, TPixelFormat sourceFormat,
                const TRasterBitmap& target, TPixelFormat targetFormat) {
  if (sourceFormat != targetFormat) return false;
  switch (sourceFormat) {
    case TPixelFormat::pfIndexed8: {
      const auto a = TableOf(source);
      const auto b = TableOf(target);
      return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }
    case TPixelFormat::pfMasked16:
    case TPixelFormat::pfMasked32: {
      const TDIBSection& a = source.Description();
      const TDIBSection& b = target.Description();
      return a.dsBmih.biCompression == b.dsBmih.biCompression &&
             std::equal(a.dsBitfields, a.dsBitfields + 3, b.dsBitfields);
    }
    case TPixelFormat::pfRGB24:
    case TPixelFormat::pfRGB32:
      return true;
    case TPixelFormat::pfIndexed1:
    case TPixelFormat::pfIndexed4:
      return false;  // sub-byte rows: the regions need not start or end on a byte
  }
  return false;
}

}  // namespace

// Rows are converted a piece of this many pixels at a time, so that the working row stays small
// whatever the picture's width (a row of a hundred million pixels would take 400 MB whole). A
// multiple of 8, so that each piece of a 1- or 4-bit row starts on a byte.
constexpr int kPiecePixels = 4096;

struct TRowConversion::TState {
  TRowContext UnpackContext;
  TRowContext PackContext;
  TUnpackRow Unpack;
  TPackRow Pack;
  int SourceBits;
  int TargetBits;
  int Width;
  std::vector<TRGBQuad> Row;  // one piece
};

TRowConversion::TRowConversion(const TRowLayout& source, const TRowLayout& target, int width)
    : State_(std::make_unique<TState>()) {
  PrepareContext(source, false, State_->UnpackContext);
  PrepareContext(target, true, State_->PackContext);
  State_->Unpack = EntryOf(source.Format).Unpack;
  State_->Pack = EntryOf(target.Format).Pack;
  State_->SourceBits = EntryOf(source.Format).BitsPerPixel;
  State_->TargetBits = EntryOf(target.Format).BitsPerPixel;
  State_->Width = width;
  State_->Row.resize(static_cast<std::size_t>(std::clamp(width, 0, kPiecePixels)));
}

TRowConversion::~TRowConversion() = default;

void TRowConversion::Convert(const std::uint8_t* source, std::uint8_t* target) {
  TState& s = *State_;
  for (int x = 0; x < s.Width; x += kPiecePixels) {
    const int count = std::min(kPiecePixels, s.Width - x);
    s.Unpack(source + std::size_t(x) * s.SourceBits / 8, s.Row.data(), count, s.UnpackContext);
    s.Pack(s.Row.data(), target + std::size_t(x) * s.TargetBits / 8, count, s.PackContext);
  }
}

TRowLayout RowLayoutOf(const TBitmapInfoHeader& header, const std::uint32_t* masks,
                       std::span<const TRGBQuad> table) {
  TRowLayout layout;
  const bool bitFields = header.biCompression == BI_BITFIELDS;
  switch (header.biBitCount) {
    case 1: layout.Format = TPixelFormat::pfIndexed1; break;
    case 4: layout.Format = TPixelFormat::pfIndexed4; break;
    case 8: layout.Format = TPixelFormat::pfIndexed8; break;
    case 16: layout.Format = TPixelFormat::pfMasked16; break;
    case 24: layout.Format = TPixelFormat::pfRGB24; break;
    default:
      layout.Format = bitFields ? TPixelFormat::pfMasked32 : TPixelFormat::pfRGB32;
      break;
  }
  layout.Table = table;
  const std::uint32_t* chosen = kMasks555;
  if (bitFields) {
    chosen = masks != nullptr && masks[0] != 0 ? masks
             : header.biBitCount == 16         ? kMasks565
                                               : kMasks888;
  }
  std::copy(chosen, chosen + 3, layout.Masks.begin());
  return layout;
}

TPixelFormat PixelFormatOf(const TRasterBitmap& bitmap) {
  switch (bitmap.BitCount()) {
    case 1:
      return TPixelFormat::pfIndexed1;
    case 4:
      return TPixelFormat::pfIndexed4;
    case 8:
      return TPixelFormat::pfIndexed8;
    case 16:
      return TPixelFormat::pfMasked16;
    case 24:
      return TPixelFormat::pfRGB24;
    default:
      return bitmap.IsSection() && bitmap.Description().dsBmih.biCompression == BI_BITFIELDS
                 ? TPixelFormat::pfMasked32
                 : TPixelFormat::pfRGB32;
  }
}

void ConvertPixels(const TRasterBitmap& source, TRasterBitmap& target, int width, int height) {
  if (width <= 0 || height <= 0) return;
  const TPixelFormat sourceFormat = PixelFormatOf(source);
  const TPixelFormat targetFormat = PixelFormatOf(target);
  if (SameLayout(source, sourceFormat, target, targetFormat)) {
    const std::size_t bytes = static_cast<std::size_t>(width) *
                              static_cast<std::size_t>(EntryOf(sourceFormat).BitsPerPixel / 8);
    for (int y = 0; y < height; ++y) std::memcpy(target.Row(y), source.Row(y), bytes);
    return;
  }
  TRowConversion conversion(LayoutOf(source), LayoutOf(target), width);
  for (int y = 0; y < height; ++y) conversion.Convert(source.Row(y), target.Row(y));
}

void FillWhite(TRasterBitmap& target) {
  const TPixelFormat format = PixelFormatOf(target);
  TRowContext context;
  PrepareContext(LayoutOf(target), true, context);
  const TPackRow pack = EntryOf(format).Pack;
  std::vector<TRGBQuad> white(static_cast<std::size_t>(target.Width()), kWhite);
  for (int y = 0; y < target.Height(); ++y) pack(white.data(), target.Row(y), target.Width(), context);
}

std::vector<TRGBQuad> DefaultColorTable(int bitCount) {
  if (bitCount <= 1) return {kBlack, kWhite};
  if (bitCount == 4) return StandardPalette16()->ColorTable();
  return MakeHalftonePalette()->ColorTable();
}
