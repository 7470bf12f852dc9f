#include "image/png/png_writer.h"

#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "image/colour/row_reader.h"
#include "image/png/png_colour_reduction.h"
#include "image/png/png_deflate_choice.h"
#include "image/png/png_encoder.h"
#include "rtl/exception.h"

void WritePng(TBitmap& bitmap, TStream& stream, const TPngCompression& compression) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (width <= 0 || height <= 0) {
    throw EInvalidGraphic("a picture without pixels cannot be stored as PNG");
  }
  const TRowReader reader(bitmap);
  // The colours first: the layout is in the file's header.
  TPngColourReduction reduction(width);
  for (int y = 0; y < height; ++y) reduction.AddRow(reader.Row(y));
  const TPngLayout& layout = reduction.ChooseLayout(height);

  TPngCompression chosen = compression;
  if (!chosen.Setting) chosen.Setting = DeflateSettingFor(reader, reduction);
  TPngEncoder encoder(stream, layout, chosen);
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(layout.RowBytes()));
  for (int y = 0; y < height; ++y) {
    reduction.PackRow(reader.Row(y), raw.data());
    encoder.WriteRow(raw.data());
  }
  encoder.Finish();
}
