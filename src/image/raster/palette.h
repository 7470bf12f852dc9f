// Logical palettes: the colours an indexed picture is shown and converted with.
//
// A palette is immutable once made and is shared through TPaletteHandle. The standard 16-colour
// palette is one process-wide object: images refer to it but never copy it (CopyPalette hands
// back the same handle), and it lives as long as the process.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "image/raster/dib.h"

// One palette entry in the order the platform keeps it: red, green, blue, flags.
struct TPaletteEntry {
  std::uint8_t peRed;
  std::uint8_t peGreen;
  std::uint8_t peBlue;
  std::uint8_t peFlags;

  friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

class TPalette {
 public:
  explicit TPalette(std::vector<TPaletteEntry> entries) : Entries_(std::move(entries)) {}

  std::span<const TPaletteEntry> Entries() const { return Entries_; }
  int Count() const { return static_cast<int>(Entries_.size()); }

  // The entries as colour-table entries (blue, green, red, 0), at most `limit` of them.
  std::vector<TRGBQuad> ColorTable(int limit = 256) const;

 private:
  std::vector<TPaletteEntry> Entries_;
};

// Null means "no palette".
using TPaletteHandle = std::shared_ptr<const TPalette>;

// A palette made from a colour table (at most 256 entries; flags 0). Null for an empty table.
TPaletteHandle PaletteFromColorTable(std::span<const TRGBQuad> table);

// The platform's standard 16-colour palette (the 16 VGA colours), one shared object.
const TPaletteHandle& StandardPalette16();
bool IsStandardPalette16(const TPaletteHandle& palette);

// The fixed 256-colour palette that stands in for a halftone palette when a picture is converted
// to 8 bits: a 6 x 7 x 6 colour cube (red, green, blue) followed by four greys that the cube
// lacks. The same colours every time, on every build.
TPaletteHandle MakeHalftonePalette();

// A palette of the same colours that the caller may keep: the standard 16-colour palette is
// referenced, any other is copied. Null for null.
TPaletteHandle CopyPalette(const TPaletteHandle& palette);
