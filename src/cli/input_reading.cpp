#include "cli/input_reading.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

#include "image/bmp/bmp_format.h"
#include "image/raster/raster_bitmap.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/file_mapping.h"
#include "rtl/exception.h"
#include "rtl/messages.h"

namespace {

// The longest info header whose fields mean anything (version 5); the reader skips the rest of
// a longer one, so no picture needs it.
constexpr std::int64_t kLongestBmpHeader = 124;
constexpr std::int64_t kLargestBmpFile = kBmpFileHeaderSize + kLongestBmpHeader + kBmpMasksSize +
                                         std::int64_t{kBmpMaxColours} * 4 + kMaxPixelMemory;
// Pipes and devices are read in blocks of this size at first.
constexpr std::int64_t kReadBlock = 1 << 20;

[[noreturn]] void NoPicture(std::string_view reason) {
  throw EInvalidGraphic(std::string(rtl_messages::SUnknownPictureFormat) + ": " +
                        std::string(reason));
}

// `size` is the input's length, or 0 for a stream that was read up to the limit only.
[[noreturn]] void TooLarge(std::int64_t size) {
  const std::string limit = std::to_string(kLargestInput) + " bytes";
  NoPicture(size > 0 ? "the input is " + std::to_string(size) +
                           " bytes long; no picture is longer than " + limit
                     : "the input is longer than " + limit + ", which no picture is");
}

// A pipe or a device: read until it ends, one block past the limit at most.
void ReadUntilEnd(platform::File& file, TMemoryStream& memory) {
  std::int64_t size = 0;
  for (;;) {
    // Blocks grow with what was read, so that the memory is moved a few times, not once a block.
    const std::int64_t block = std::min(std::max(kReadBlock, size), kLargestInput + 1 - size);
    memory.SetSize(size + block);
    const std::int64_t got = file.Read(memory.Memory() + size, block);
    if (got < 0) throw EReadError(std::string(rtl_messages::SReadError));
    size += got;
    if (size > kLargestInput) TooLarge(0);
    if (got < block) break;
  }
  memory.SetSize(size);
}

// A regular file's bytes, read-only mapped: the base is made from the mapping, which is held
// first so that it outlives the view.
struct TMappingHolder {
  platform::FileMapping Mapping;
};
class TMappedInput : private TMappingHolder, public TMemoryViewStream {
 public:
  explicit TMappedInput(platform::FileMapping mapping)
      : TMappingHolder{std::move(mapping)}, TMemoryViewStream(Mapping.Data(), Mapping.Size()) {}
};

}  // namespace

const std::int64_t kLargestInput = std::max<std::int64_t>(kLargestBmpFile, 0x7FFFFFFF);

std::unique_ptr<TCustomMemoryStream> ReadInput(const std::string& name) {
  platform::File file =
      name == kStandardStreamName
          ? platform::File::Standard(platform::TStandardStream::ssInput)
          : platform::File::Open(name, platform::TFileAccess::faRead, platform::TFileShare::fsRead,
                                 platform::TFileDisposition::fdOpenExisting);
  if (!file.IsOpen()) {
    // A missing file and one the user may not read are told apart by the system's reason.
    const std::string reason = platform::SystemErrorMessage(platform::LastErrorCode());
    throw EFOpenError(Format(rtl_messages::SFOpenError, {name}) +
                      (reason.empty() ? "" : ": " + reason));
  }
  auto memory = std::make_unique<TMemoryStream>();
  if (file.Kind() == platform::TFileKind::fkRegular) {
    const std::int64_t size = file.Size();
    if (size > kLargestInput) TooLarge(size);
    // Standard input may stand anywhere in its file, so only a named file is mapped whole.
    platform::FileMapping mapping;
    if (name != kStandardStreamName) mapping = platform::FileMapping::MapForReading(file);
    if (mapping.IsMapped()) {
      return std::make_unique<TMappedInput>(std::move(mapping));
    }
    memory->SetSize(std::max<std::int64_t>(size, 0));
    if (size > 0 && file.Read(memory->Memory(), size) != size) {
      throw EReadError(std::string(rtl_messages::SReadError));
    }
  } else {
    ReadUntilEnd(file, *memory);
  }
  if (memory->Size() == 0) NoPicture("the input is empty");
  memory->SetPosition(0);
  return memory;
}
