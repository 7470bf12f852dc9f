#include "cli/picture_loader.h"

#include <string_view>

#include "cli/input_reading.h"
#include "cli/load_diagnosis.h"
#include "pictures/spi_bitmap.h"
#include "rtl/exception.h"
#include "rtl/messages.h"

std::unique_ptr<TBitmap> TPictureLoader::Load(const std::string& fileName) const {
  // Standard input has no name: the BMP reader comes first, then every plug-in.
  const std::string name = fileName == kStandardStreamName ? std::string() : fileName;
  const std::unique_ptr<TCustomMemoryStream> input =
      ReadInput(fileName, [&name](std::span<const std::uint8_t> head) {
        return WhyNothingReadsHead(head, name);
      });
  auto bitmap = std::make_unique<TSPIBitmap>();
  try {
    bitmap->LoadFromStreamWithName(*input, name);
  } catch (const EInvalidGraphic& failure) {
    if (failure.Message() != std::string_view(rtl_messages::SUnknownPictureFormat)) throw;
    throw EInvalidGraphic(failure.Message() + ": " + WhyNothingDecodes(*input, name));
  }
  return bitmap;
}
