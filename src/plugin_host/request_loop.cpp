#include "plugin_host/request_loop.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/low_memory.h"
#include "plugins/host_protocol.h"
#include "plugins/local_spi_module.h"
#include "plugins/plugin_guard.h"
#include "plugins/spi_exceptions.h"
#include "spi_block.h"

namespace {

using host_protocol::TAnswer;
using host_protocol::TAnswerStatus;
using host_protocol::TRequest;
using host_protocol::TRequestKind;

// The progress callback of every GetPicture: go on.
std::int32_t SPI_API HelperProgress(std::int32_t, std::int32_t, std::intptr_t) { return 0; }

// The output's bits start at this alignment.
constexpr std::uint64_t kBitsAlignment = 16;

class TRequestLoop {
 public:
  explicit TRequestLoop(platform::ParentChannel& channel) : Channel_(channel) {}

  int Run() {
    for (;;) {
      TRequest request;
      platform::SharedMemoryHandle received;
      if (!Channel_.Receive(&request, sizeof request, received)) return 0;
      // The program has taken the last answer's block by now.
      Output_ = platform::SharedMemory();
      if (request.Magic != host_protocol::kRequestMagic || request.TextSize > host_protocol::kMaxText) {
        return 3;
      }
      std::string text(request.TextSize, '\0');
      platform::SharedMemoryHandle none;
      if (request.TextSize > 0 && !Channel_.Receive(text.data(), text.size(), none)) return 0;
      if (request.InputMemorySize != 0) {
        Input_ = platform::SharedMemory::Map(std::move(received),
                                             static_cast<std::size_t>(request.InputMemorySize));
      }
      Answer_ = TAnswer{};
      Text_.clear();
      Serve(request, text);
      Answer_.MemoryInUse = platform::AddressSpaceInUse();
      Answer_.HeapDamaged = platform::ProcessHeapIntact() ? 0 : 1;
      Answer_.TextSize = static_cast<std::uint32_t>(Text_.size());
      if (!Channel_.Send(&Answer_, sizeof Answer_, Output_.IsValid() ? &Output_ : nullptr) ||
          (!Text_.empty() && !Channel_.Send(Text_.data(), Text_.size(), nullptr))) {
        return 0;
      }
    }
  }

 private:
  void Serve(const TRequest& request, const std::string& text) {
    switch (request.Kind) {
      case TRequestKind::rkHello:
        return;
      case TRequestKind::rkOpen:
        return Open(text, request.Flag == 1);
      case TRequestKind::rkClose:
        Modules_.erase(request.Module);
        return;
      case TRequestKind::rkGetPluginInfo:
      case TRequestKind::rkIsSupported:
      case TRequestKind::rkGetPictureInfo:
      case TRequestKind::rkGetPicture:
      case TRequestKind::rkGetPreview:
        break;
    }
    const auto found = Modules_.find(request.Module);
    if (found == Modules_.end()) return Refuse();
    TSpiModule& module = *found->second;
    try {
      switch (request.Kind) {
        case TRequestKind::rkHello:
        case TRequestKind::rkOpen:
        case TRequestKind::rkClose:
          return;
        case TRequestKind::rkGetPluginInfo:
          return GetPluginInfo(module, request);
        case TRequestKind::rkIsSupported:
          return IsSupported(module, request, text);
        case TRequestKind::rkGetPictureInfo:
          return GetPictureInfo(module, request);
        case TRequestKind::rkGetPicture:
          return GetPicture(module, request, TSpiEntry::seGetPicture);
        case TRequestKind::rkGetPreview:
          return GetPicture(module, request, TSpiEntry::seGetPreview);
      }
    } catch (const ESPIFault&) {
      if (request.Kind == TRequestKind::rkGetPicture || request.Kind == TRequestKind::rkGetPreview) {
        DropLargeInput();
      }
      Answer_ = TAnswer{};
      Answer_.Status = TAnswerStatus::asFault;
      Text_ = LastPluginFaultText();
    }
  }

  void Refuse() { Answer_.Status = TAnswerStatus::asRefused; }

  void DropLargeInput() {
    if (Input_.Size() > host_protocol::kKeptInputSize) Input_ = platform::SharedMemory();
    if (LowInput_.Size() > host_protocol::kKeptInputSize) LowInput_ = platform::LowMemory();
  }

  // One description call for rkOpen, recorded for the answer: its result, or none when it faulted
  // or the record is full.
  std::optional<std::int32_t> Describe(TSpiModule& module, std::int32_t infoNo) {
    if (Answer_.Result >= static_cast<std::int32_t>(host_protocol::kMaxDescribed)) return {};
    char buffer[host_protocol::kDescribedBytes + 1] = {};
    std::int32_t result = 0;
    try {
      result = module.GetPluginInfo(infoNo, buffer, host_protocol::kDescribedBytes);
    } catch (const ESPIFault&) {
      // Left to the program's own call, which meets the fault again.
      return {};
    }
    const std::int32_t fields[2] = {infoNo, result};
    Text_.append(reinterpret_cast<const char*>(fields), sizeof fields);
    Text_.append(buffer, host_protocol::kDescribedBytes);
    ++Answer_.Result;
    return result;
  }

  void Open(const std::string& path, bool describe) {
    try {
      auto module = std::make_unique<TLocalSpiModule>(path);
      Answer_.Module = ++LastModule_;
      Answer_.Handle = module->Handle();
      for (std::uint32_t bit = 0; bit <= static_cast<std::uint32_t>(TSpiEntry::seGetPreview); ++bit) {
        if (module->Exports(static_cast<TSpiEntry>(bit))) Answer_.Exports |= 1u << bit;
      }
      if (describe && module->Exports(TSpiEntry::seGetPluginInfo)) {
        // The order in which a plug-in object reads its description: the version and the name
        // whatever they answer, then pairs until either call of one answers nothing.
        if (Describe(*module, 0) && Describe(*module, 1)) {
          for (std::int32_t n = 2; n < INT32_MAX; n += 2) {
            const std::optional<std::int32_t> filter = Describe(*module, n);
            if (!filter || *filter <= 0) break;
            const std::optional<std::int32_t> description = Describe(*module, n + 1);
            if (!description || *description <= 0) break;
          }
        }
      }
      Text_ += module->FileName();
      Modules_.emplace(LastModule_, std::move(module));
    } catch (const ESPIFOpenErrorSPI&) {
      Answer_.Status = TAnswerStatus::asNotLoaded;
    }
  }

  // The input memory's bytes for a call that reads `length` of them; null when the program sent
  // none that holds them (at least the probe's 2048 bytes always). Where the view lies above
  // 4 GB (64-bit Windows), a copy below it: some 64-bit plug-ins keep the address in 32 bits.
  const std::uint8_t* Input(std::uint32_t bytes) {
    if (!Input_.IsValid() || Input_.Size() < host_protocol::kHeadBytes || bytes > Input_.Size()) {
      return nullptr;
    }
    const std::size_t needed = std::max<std::size_t>(bytes, host_protocol::kHeadBytes);
    if (platform::LowMemory::IsLow(Input_.Data(), needed)) return Input_.Data();
    if (LowInput_.Size() < needed) LowInput_ = platform::LowMemory::Allocate(needed);
    if (!LowInput_.IsValid()) return nullptr;
    std::memcpy(LowInput_.Data(), Input_.Data(), needed);
    return LowInput_.Data();
  }

  void GetPluginInfo(TSpiModule& module, const TRequest& request) {
    if (request.Length < 0 || static_cast<std::uint32_t>(request.Length) >= host_protocol::kMaxText) {
      return Refuse();
    }
    // One byte more than the plug-in is told, zero, as the program's own buffers have; below
    // 4 GB, as every buffer a plug-in gets.
    const platform::LowMemory buffer =
        platform::LowMemory::Allocate(static_cast<std::size_t>(request.Length) + 1);
    if (!buffer.IsValid()) return Refuse();
    auto* const bytes = reinterpret_cast<char*>(buffer.Data());
    Answer_.Result = module.GetPluginInfo(request.InfoNo, bytes, request.Length);
    Text_.assign(bytes, static_cast<std::size_t>(request.Length));
  }

  void IsSupported(TSpiModule& module, const TRequest& request, const std::string& name) {
    // The file name and the 2048-byte head in one block below 4 GB, kept for the next call.
    const std::size_t nameAt = host_protocol::kHeadBytes;
    if (Probe_.Size() < nameAt + name.size() + 1) {
      Probe_ = platform::LowMemory::Allocate(nameAt + name.size() + 1 + 4096);
    }
    if (!Probe_.IsValid()) return Refuse();
    auto* const nameCopy = reinterpret_cast<char*>(Probe_.Data() + nameAt);
    std::memcpy(nameCopy, name.c_str(), name.size() + 1);
    std::uintptr_t dw = 0;
    if (request.HasData != 0) {
      const std::uint8_t* head = Input(host_protocol::kHeadBytes);
      if (head == nullptr) return Refuse();
      std::memcpy(Probe_.Data(), head, host_protocol::kHeadBytes);
      dw = reinterpret_cast<std::uintptr_t>(Probe_.Data());
    }
    Answer_.Result = module.IsSupported(nameCopy, dw);
  }

  void GetPictureInfo(TSpiModule& module, const TRequest& request) {
    const std::uint8_t* buffer = nullptr;
    if (request.HasData != 0 && (buffer = Input(request.InputBytes)) == nullptr) return Refuse();
    TPictureInfo info{};
    Answer_.Result = module.GetPictureInfo(buffer, request.Length,
                                           static_cast<std::int32_t>(request.Flag), info);
    if (Answer_.Result != SPI_SUCCESS) return;
    Answer_.Left = info.left;
    Answer_.Top = info.top;
    Answer_.Width = info.width;
    Answer_.Height = info.height;
    Answer_.XDensity = info.x_density;
    Answer_.YDensity = info.y_density;
    Answer_.ColorDepth = info.colorDepth;
    const TSpiBlock text(info.hInfo);
    if (!text) return;
    Answer_.HasInfoText = 1;
    // The text runs to its first zero or over the whole block; only that much crosses.
    const TSpiBlockLock lock(text);
    if (lock.Data() == nullptr) return;
    const auto* bytes = static_cast<const char*>(lock.Data());
    std::size_t size = text.Size();
    if (const void* zero = std::memchr(bytes, 0, size)) {
      size = static_cast<std::size_t>(static_cast<const char*>(zero) - bytes);
    }
    if (size >= host_protocol::kMaxText) size = host_protocol::kMaxText - 1;
    Text_.assign(bytes, size);
  }

  void GetPicture(TSpiModule& module, const TRequest& request, TSpiEntry entry) {
    const std::uint8_t* buffer = nullptr;
    if (request.HasData != 0 && (buffer = Input(request.InputBytes)) == nullptr) return Refuse();
    TSpiHandle infoHandle = nullptr;
    TSpiHandle bitsHandle = nullptr;
    Answer_.Result = module.GetPicture(entry, buffer, request.Length,
                                       static_cast<std::int32_t>(request.Flag), infoHandle,
                                       bitsHandle, HelperProgress,
                                       static_cast<std::intptr_t>(request.LData));
    // The input is given up before the blocks are handed over, so that the picture's bytes, the
    // plug-in's blocks and their copy are never all held at once.
    DropLargeInput();
    if (Answer_.Result != SPI_SUCCESS) return;
    const TSpiBlock bits(bitsHandle);
    const TSpiBlock info(infoHandle);
    const TSpiBlockLock bitsLock(bits);
    const TSpiBlockLock infoLock(info);
    // A block that does not lock crosses as no block: the program then has no picture.
    if (bitsLock.Data() == nullptr || infoLock.Data() == nullptr) return;
    const std::uint64_t infoBytes = info.Size();
    const std::uint64_t bitsOffset = (infoBytes + kBitsAlignment - 1) / kBitsAlignment * kBitsAlignment;
    const std::uint64_t bitsBytes = bits.Size();
    if (bitsBytes > SIZE_MAX - bitsOffset) return Refuse();
    Output_ = platform::SharedMemory::Create(static_cast<std::size_t>(bitsOffset + bitsBytes));
    // No room to hand the picture over: the call counts as failed for want of memory.
    if (!Output_.IsValid()) {
      Answer_.Result = SPI_NO_MEMORY;
      return;
    }
    std::memcpy(Output_.Data(), infoLock.Data(), static_cast<std::size_t>(infoBytes));
    std::memcpy(Output_.Data() + bitsOffset, bitsLock.Data(), static_cast<std::size_t>(bitsBytes));
    Answer_.InfoBytes = infoBytes;
    Answer_.BitsOffset = bitsOffset;
    Answer_.BitsBytes = bitsBytes;
  }

  platform::ParentChannel& Channel_;
  std::map<std::uint32_t, std::unique_ptr<TSpiModule>> Modules_;
  std::uint32_t LastModule_ = 0;
  platform::SharedMemory Input_;
  // Copies below 4 GB (platform/low_memory.h): of an input whose view lies above, and of
  // IsSupported's head and file name.
  platform::LowMemory LowInput_;
  platform::LowMemory Probe_;
  // The last answer's block, kept until the next request: on Windows the program takes its own
  // handle of it from this process after reading the answer.
  platform::SharedMemory Output_;
  TAnswer Answer_;
  std::string Text_;
};

}  // namespace

int ServeRequests(platform::ParentChannel& channel) { return TRequestLoop(channel).Run(); }
