#include "image/png/png_writer.h"

#include <cstdint>
#include <exception>
#include <vector>

#include "image/bitmap.h"
#include "image/colour/row_reader.h"
#include "image/png/stb_png.h"
#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

// The encoder keeps the picture, a filtered copy and the compressed data in blocks whose sizes
// it computes in int; below this many bytes of filtered rows none of them can overflow.
constexpr std::int64_t kLargestFiltered = std::int64_t{1} << 29;

struct TSink {
  TStream* Stream;
  std::exception_ptr Failure;  // what the stream raised; rethrown once stb has freed its memory
};

// Called by stb with the whole file; an exception must not pass through the encoder's frames.
void ToStream(void* context, void* data, int size) {
  auto& sink = *static_cast<TSink*>(context);
  try {
    sink.Stream->WriteBuffer(data, size);
  } catch (...) {
    sink.Failure = std::current_exception();
  }
}

}  // namespace

void WritePng(TBitmap& bitmap, TStream& stream, int level) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  if (width <= 0 || height <= 0) {
    throw EInvalidGraphic("a picture without pixels cannot be stored as PNG");
  }
  const std::int64_t rowBytes = std::int64_t{width} * 3;
  if ((rowBytes + 1) * height > kLargestFiltered) {
    throw EInvalidGraphic("the picture is too large to be stored as PNG");
  }
  // The rows top first, each pixel turned from blue, green, red into red, green, blue.
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(rowBytes * height));
  const TRowReader reader(bitmap);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* source = reader.Row(y);
    std::uint8_t* target = rgb.data() + rowBytes * y;
    for (int x = 0; x < width; ++x, source += 3, target += 3) {
      target[0] = source[2];
      target[1] = source[1];
      target[2] = source[0];
    }
  }
  TSink sink{&stream, nullptr};
  if (StbEncodePng(ToStream, &sink, width, height, rgb.data(), static_cast<int>(rowBytes), level) ==
      0) {
    throw EOutOfMemory(rtl_messages::SOutOfResources);
  }
  if (sink.Failure) std::rethrow_exception(sink.Failure);
}
