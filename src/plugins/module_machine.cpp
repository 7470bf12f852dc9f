#include "plugins/module_machine.h"

#include <cstdint>
#include <cstring>

#include "platform/file.h"

namespace {

// The file's header and the offset of the system's header in it, as the loader finds them.
constexpr std::int64_t kDosHeaderBytes = 64;
constexpr std::int64_t kNewHeaderOffsetAt = 0x3C;
constexpr std::uint16_t kMachineX86 = 0x014C;
constexpr std::uint16_t kMachineX64 = 0x8664;

std::uint32_t Read32(const unsigned char* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

bool ReadAt(platform::File& file, std::int64_t offset, void* buffer, std::int64_t count) {
  return file.Seek(offset, 0) == offset && file.Read(buffer, count) == count;
}

}  // namespace

TModuleMachine ModuleMachineOf(const std::string& path) {
  platform::File file = platform::File::Open(path, platform::TFileAccess::faRead,
                                             platform::TFileShare::fsRead,
                                             platform::TFileDisposition::fdOpenExisting);
  unsigned char dos[kDosHeaderBytes];
  if (!file.IsOpen() || !ReadAt(file, 0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') {
    return TModuleMachine::mmOther;
  }
  // "PE\0\0" and the machine field that follows it; the offset is the file's word, so it is
  // only used where it lies within the first 16 MB.
  const std::uint32_t at = Read32(dos + kNewHeaderOffsetAt);
  unsigned char signature[6];
  if (at > (std::uint32_t{1} << 24) || !ReadAt(file, at, signature, sizeof signature) ||
      std::memcmp(signature, "PE\0\0", 4) != 0) {
    return TModuleMachine::mmOther;
  }
  switch (static_cast<std::uint16_t>(signature[4] | signature[5] << 8)) {
    case kMachineX86:
      return TModuleMachine::mmX86;
    case kMachineX64:
      return TModuleMachine::mmX64;
    default:
      return TModuleMachine::mmOther;
  }
}
