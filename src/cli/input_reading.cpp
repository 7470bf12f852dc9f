#include "cli/input_reading.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "image/bmp/bmp_format.h"
#include "image/raster/raster_bitmap.h"
#include "platform/error.h"
#include "platform/file.h"
#include "platform/shared_memory.h"
#include "plugins/plugin_host_link.h"
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

// An input read into memory that the plug-in helper is handed as it is (NewPluginInput); kept
// alive by the stream. Read-only, as the bytes that plug-ins get.
class TPluginInputStream : public TMemoryViewStream {
 public:
  explicit TPluginInputStream(std::shared_ptr<platform::SharedMemory> memory, std::int64_t size)
      : TMemoryViewStream(memory->Data(), size), Memory_(std::move(memory)) {}

 private:
  std::shared_ptr<platform::SharedMemory> Memory_;
};

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

// A pipe or a device: read on after the bytes `memory` holds until it ends, one block past the
// limit at most.
void ReadUntilEnd(platform::File& file, TMemoryStream& memory) {
  std::int64_t size = memory.Size();
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

}  // namespace

const std::int64_t kLargestInput = std::max<std::int64_t>(kLargestBmpFile, 0x7FFFFFFF);

std::unique_ptr<TCustomMemoryStream> ReadInput(const std::string& name,
                                               const TInputHeadCheck& check) {
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
  const bool regular = file.Kind() == platform::TFileKind::fkRegular;
  const std::int64_t size = regular ? file.Size() : 0;
  if (size > kLargestInput) TooLarge(size);

  // The head first: what nothing can read is refused before the rest is read, so that gigabytes
  // of anything else (zeros on a pipe) are neither waited for nor held.
  std::array<std::uint8_t, kInputHeadSize> head;
  const std::int64_t headSize = file.Read(head.data(), regular ? std::min(size, kInputHeadSize)
                                                                 : kInputHeadSize);
  // A regular file that ends sooner than it was measured was cut while it is read.
  if (headSize < 0 || (regular && headSize != std::min(size, kInputHeadSize))) {
    throw EReadError(std::string(rtl_messages::SReadError));
  }
  if (headSize == 0) NoPicture("the input is empty");
  if (check) {
    if (const std::optional<std::string> reason =
            check(std::span(head).first(static_cast<std::size_t>(headSize)))) {
      NoPicture(*reason);
    }
  }

  if (regular) {
    // Read, not mapped: another program may cut the file while it is read, and the pages of a
    // mapping that are then gone fault (SIGBUS) wherever they are touched: in the BMP reader, a
    // plug-in, the diagnosis. A guard cannot wrap readers that own objects (the jump out of the
    // fault skips their destructors), and comparing the size at points leaves the time between
    // them open; a read only returns fewer bytes, which fails this input alone. The copy costs
    // what the mapping cost once the whole picture was read through it. A large picture is read
    // straight into memory that the plug-in helper is handed, so that it is held once.
    std::shared_ptr<platform::SharedMemory> shared = NewPluginInput(static_cast<std::size_t>(size));
    std::unique_ptr<TMemoryStream> own;
    std::uint8_t* bytes = nullptr;
    if (shared != nullptr) {
      bytes = shared->Data();
    } else {
      own = std::make_unique<TMemoryStream>();
      own->SetSize(size);
      bytes = own->Memory();
    }
    std::memcpy(bytes, head.data(), static_cast<std::size_t>(headSize));
    if (file.Read(bytes + headSize, size - headSize) != size - headSize) {
      throw EReadError(std::string(rtl_messages::SReadError));
    }
    if (own != nullptr) return own;
    return std::make_unique<TPluginInputStream>(std::move(shared), size);
  }
  auto memory = std::make_unique<TMemoryStream>();
  memory->WriteBuffer(head.data(), headSize);
  if (headSize == kInputHeadSize) ReadUntilEnd(file, *memory);
  memory->SetPosition(0);
  return memory;
}
