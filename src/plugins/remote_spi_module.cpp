#include "plugins/remote_spi_module.h"

#include <cstring>

#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"
#include "spi_block.h"

namespace {

using host_protocol::TAnswerStatus;
using host_protocol::TRequest;
using host_protocol::TRequestKind;

TRequestKind RequestFor(TSpiEntry entry) {
  switch (entry) {
    case TSpiEntry::seGetPluginInfo:
      return TRequestKind::rkGetPluginInfo;
    case TSpiEntry::seIsSupported:
      return TRequestKind::rkIsSupported;
    case TSpiEntry::seGetPictureInfo:
      return TRequestKind::rkGetPictureInfo;
    case TSpiEntry::seGetPicture:
      return TRequestKind::rkGetPicture;
    case TSpiEntry::seGetPreview:
      return TRequestKind::rkGetPreview;
  }
  return TRequestKind::rkHello;
}

// A copy of `size` bytes at `data` in a block of the caller's; null when none could be had.
TSpiHandle BlockOf(const std::uint8_t* data, std::size_t size) {
  TSpiBlock block = TSpiBlock::Allocate(size);
  const TSpiBlockLock lock(block);
  if (lock.Data() == nullptr) return nullptr;
  if (size > 0) std::memcpy(lock.Data(), data, size);
  return block.Release();
}

// The blocks as the helper handed them over: read in its memory, mapped here while the picture
// lives.
class TSharedPicture : public TSpiPicture {
 public:
  TSharedPicture(platform::SharedMemory memory, std::uint64_t infoBytes, std::uint64_t bitsOffset,
                 std::uint64_t bitsBytes)
      : Memory_(std::move(memory)) {
    Info = std::span(Memory_.Data(), static_cast<std::size_t>(infoBytes));
    Bits = std::span(Memory_.Data() + bitsOffset, static_cast<std::size_t>(bitsBytes));
  }

 private:
  platform::SharedMemory Memory_;
};

}  // namespace

TRemoteSpiModule::TRemoteSpiModule(TPluginHostLink& link, const std::string& fileName)
    : Link_(link), Path_(fileName) {
  TAnswerStatus status = TAnswerStatus::asNotLoaded;
  try {
    status = Load();
  } catch (const ESPIFault&) {
    // A module that ends or hangs the helper while it loads is one that does not load.
  } catch (const ESPIHostStart&) {
    if (HelperMissing() == THelperMissing::hmRaise) throw;
  }
  if (status != TAnswerStatus::asDone) {
    throw ESPIFOpenErrorSPI(spi_messages::SSPIFOpenError, {fileName});
  }
}

TRemoteSpiModule::~TRemoteSpiModule() {
  if (Link_.Generation() != Generation_ || !Link_.IsRunning()) return;
  TRequest request;
  request.Kind = TRequestKind::rkClose;
  request.Module = Module_;
  try {
    Link_.Call(request, {}, Name(), "unload");
  } catch (const Exception&) {
    // The module is gone from our side either way.
  }
}

std::unique_ptr<TSpiModule> TRemoteSpiModule::Open(const std::string& fileName) {
  return std::make_unique<TRemoteSpiModule>(PluginHostFor(fileName), fileName);
}

host_protocol::TAnswerStatus TRemoteSpiModule::Load() {
  TRequest request;
  request.Kind = TRequestKind::rkOpen;
  // Described only the first time: a module loaded again in a new helper is only loaded.
  const bool first = Generation_ == 0;
  request.Flag = first ? 1 : 0;
  const TPluginHostAnswer answer = Link_.Call(request, Path_, Path_, "load");
  if (answer.Answer.Status != TAnswerStatus::asDone) return answer.Answer.Status;
  // A loaded module has a number and a handle; the description's calls fit the text; the name
  // is the system's, at most 255 bytes.
  const std::int32_t described = first ? answer.Answer.Result : 0;
  const std::uint64_t describedBytes =
      static_cast<std::uint64_t>(described < 0 ? 0 : described) * host_protocol::kDescribedEntry;
  if (answer.Answer.Module == 0 || answer.Answer.Handle == 0 || described < 0 ||
      described > static_cast<std::int32_t>(host_protocol::kMaxDescribed) ||
      describedBytes > answer.Text.size()) {
    return TAnswerStatus::asRefused;
  }
  const std::string name = answer.Text.substr(static_cast<std::size_t>(describedBytes));
  if (name.size() > 255 || name.find('\0') != std::string::npos) return TAnswerStatus::asRefused;
  // In a new helper the name and the entry points were settled when the module was first loaded.
  if (first) {
    FileName_ = name;
    Exports_ = answer.Answer.Exports;
    Handle_ = answer.Answer.Handle;
    for (std::int32_t i = 0; i < described; ++i) {
      const char* entry = answer.Text.data() + static_cast<std::size_t>(i) * host_protocol::kDescribedEntry;
      TDescribed call{};
      std::memcpy(&call.InfoNo, entry, 4);
      std::memcpy(&call.Result, entry + 4, 4);
      std::memcpy(call.Buffer.data(), entry + 8, call.Buffer.size());
      Described_.push_back(call);
    }
  }
  Module_ = answer.Answer.Module;
  Generation_ = Link_.Generation();
  return TAnswerStatus::asDone;
}

bool TRemoteSpiModule::Exports(TSpiEntry entry) const {
  return (Exports_ & (1u << static_cast<std::uint32_t>(entry))) != 0;
}

void TRemoteSpiModule::Broken(TSpiEntry entry, const std::string& cause) const {
  Link_.Discard();
  throw ESPIFault(spi_messages::SSPIHostLost, {Name(), SpiEntryName(entry), cause});
}

TPluginHostAnswer TRemoteSpiModule::Call(TRequest request, std::string_view text,
                                         TSpiEntry entry) {
  if (Generation_ != Link_.Generation() || !Link_.IsRunning()) {
    TAnswerStatus status = TAnswerStatus::asNotLoaded;
    try {
      status = Load();
    } catch (const ESPIFault&) {
    }
    if (status != TAnswerStatus::asDone) Broken(entry, spi_messages::SHostReloadFailed);
  }
  request.Kind = RequestFor(entry);
  request.Module = Module_;
  TPluginHostAnswer answer = Link_.Call(request, text, Name(), SpiEntryName(entry));
  switch (answer.Answer.Status) {
    case TAnswerStatus::asDone:
      break;
    case TAnswerStatus::asFault: {
      // The helper names the fault as the guard does; anything else is not a fault's name.
      const std::string& code = answer.Text;
      const bool plain = !code.empty() && code.size() <= 32 &&
                         code.find_first_not_of("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefx ") ==
                             std::string::npos;
      if (!plain) Broken(entry, spi_messages::SHostBroken);
      throw ESPIFault(spi_messages::SSPIFault, {Name(), SpiEntryName(entry), code});
    }
    case TAnswerStatus::asNotLoaded:
    case TAnswerStatus::asRefused:
      Broken(entry, spi_messages::SHostBroken);
  }
  return answer;
}

std::int32_t TRemoteSpiModule::GetPluginInfo(std::int32_t infoNo, char* buffer,
                                             std::int32_t bufferLength) {
  // Asked already while the module opened: the same call is not made twice. Any other call ends
  // the description, and it and every later one go to the helper.
  if (!Described_.empty()) {
    const TDescribed call = Described_.front();
    Described_.pop_front();
    if (call.InfoNo == infoNo && bufferLength == static_cast<std::int32_t>(call.Buffer.size())) {
      if (buffer != nullptr) std::memcpy(buffer, call.Buffer.data(), call.Buffer.size());
      return call.Result;
    }
    Described_.clear();
  }
  TRequest request;
  request.InfoNo = infoNo;
  request.Length = bufferLength;
  const TPluginHostAnswer answer = Call(request, {}, TSpiEntry::seGetPluginInfo);
  const std::size_t expected = bufferLength > 0 ? static_cast<std::size_t>(bufferLength) : 0;
  if (answer.Text.size() != expected) Broken(TSpiEntry::seGetPluginInfo, spi_messages::SHostBroken);
  // What the plug-in wrote into the helper's buffer, written into the caller's.
  if (expected > 0 && buffer != nullptr) std::memcpy(buffer, answer.Text.data(), expected);
  return answer.Answer.Result;
}

std::int32_t TRemoteSpiModule::IsSupported(const char* fileName, std::uintptr_t dw) {
  TRequest request;
  if (dw != 0) {
    if (!Link_.SetInput(reinterpret_cast<const void*>(dw), host_protocol::kHeadBytes)) {
      Broken(TSpiEntry::seIsSupported, spi_messages::SHostBroken);
    }
    request.HasData = 1;
    request.InputBytes = host_protocol::kHeadBytes;
  }
  const std::string_view name = fileName != nullptr ? std::string_view(fileName) : "";
  return Call(request, name, TSpiEntry::seIsSupported).Answer.Result;
}

std::int32_t TRemoteSpiModule::GetPictureInfo(const void* buffer, std::int32_t length,
                                              std::int32_t flag, TPictureInfo& info) {
  TRequest request;
  request.Length = length;
  request.Flag = static_cast<std::uint32_t>(flag);
  if (buffer != nullptr) {
    const std::size_t bytes = length > 0 ? static_cast<std::size_t>(length) : 0;
    if (!Link_.SetInput(buffer, bytes)) Broken(TSpiEntry::seGetPictureInfo, spi_messages::SHostBroken);
    request.HasData = 1;
    request.InputBytes = static_cast<std::uint32_t>(bytes);
  }
  const TPluginHostAnswer answer = Call(request, {}, TSpiEntry::seGetPictureInfo);
  const host_protocol::TAnswer& a = answer.Answer;
  if (a.Result != SPI_SUCCESS) return a.Result;
  info.left = a.Left;
  info.top = a.Top;
  info.width = a.Width;
  info.height = a.Height;
  info.x_density = a.XDensity;
  info.y_density = a.YDensity;
  info.colorDepth = a.ColorDepth;
  // The text gets a block of its own, ending in a zero, for the caller to free.
  TSpiHandle text = nullptr;
  if (a.HasInfoText != 0) {
    std::string bytes = answer.Text;
    bytes.push_back('\0');
    text = BlockOf(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  }
  info.hInfo = text;
  return a.Result;
}

std::int32_t TRemoteSpiModule::GetPicture(TSpiEntry entry, const void* buffer, std::int32_t length,
                                          std::int32_t flag, TSpiHandle& hBInfo, TSpiHandle& hBm,
                                          TSpiProgressCallback progress, std::intptr_t lData) {
  std::unique_ptr<TSpiPicture> picture;
  const std::int32_t result =
      GetPictureBlocks(entry, buffer, length, flag, picture, progress, lData);
  if (result != SPI_SUCCESS) return result;
  // Blocks that did not lock in the helper cross as none: no picture.
  if (picture == nullptr) {
    hBInfo = nullptr;
    hBm = nullptr;
    return result;
  }
  TSpiBlock info(BlockOf(picture->Info.data(), picture->Info.size()));
  TSpiBlock bits(BlockOf(picture->Bits.data(), picture->Bits.size()));
  // Decoded, but no room here to take it: the call failed for want of memory.
  if (!info || !bits) return SPI_NO_MEMORY;
  hBInfo = info.Release();
  hBm = bits.Release();
  return result;
}

std::int32_t TRemoteSpiModule::GetPictureBlocks(TSpiEntry entry, const void* buffer,
                                                std::int32_t length, std::int32_t flag,
                                                std::unique_ptr<TSpiPicture>& picture,
                                                TSpiProgressCallback /*progress*/,
                                                std::intptr_t lData) {
  // The helper passes its own progress callback, which answers 0 as ours does.
  TRequest request;
  request.Length = length;
  request.Flag = static_cast<std::uint32_t>(flag);
  request.LData = static_cast<std::uint64_t>(lData);
  if (buffer != nullptr) {
    const std::size_t bytes = length > 0 ? static_cast<std::size_t>(length) : 0;
    if (!Link_.SetInput(buffer, bytes)) Broken(entry, spi_messages::SHostBroken);
    request.HasData = 1;
    request.InputBytes = static_cast<std::uint32_t>(bytes);
  }
  TPluginHostAnswer answer;
  try {
    answer = Call(request, {}, entry);
  } catch (const ESPIFault&) {
    Link_.DropLargeInput();
    throw;
  }
  // Given up before the picture arrives, as the helper has given up its view.
  Link_.DropLargeInput();
  const host_protocol::TAnswer& a = answer.Answer;
  if (a.Result != SPI_SUCCESS || !answer.Memory.IsValid()) return a.Result;
  // Checked as a file's header would be: both blocks inside the memory, apart, in order.
  if (a.InfoBytes > a.BitsOffset || a.BitsOffset > SIZE_MAX || a.BitsBytes > SIZE_MAX - a.BitsOffset) {
    Broken(entry, spi_messages::SHostBroken);
  }
  platform::SharedMemory memory = platform::SharedMemory::Map(
      std::move(answer.Memory), static_cast<std::size_t>(a.BitsOffset + a.BitsBytes));
  if (!memory.IsValid()) Broken(entry, spi_messages::SHostBroken);
  picture = std::make_unique<TSharedPicture>(std::move(memory), a.InfoBytes, a.BitsOffset,
                                             a.BitsBytes);
  return a.Result;
}
