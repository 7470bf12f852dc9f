// The probe plug-in (see probe_protocol.h).
#include <algorithm>
#include <cstring>
#include <vector>

#include "probe_protocol.h"

namespace {

TProbeConfig Config{};
std::vector<TSpiHandle> HandedOut;

std::int32_t Answer(const char* text, char* buffer, std::int32_t length) {
  const auto size = static_cast<std::int32_t>(std::strlen(text));
  if (size == 0 || buffer == nullptr || length <= size) return 0;
  std::memcpy(buffer, text, static_cast<std::size_t>(size) + 1);
  return size;
}

// Copies `text` into the fixed field `target`, cut to fit, always NUL-terminated.
template <std::size_t N>
void CopyText(char (&target)[N], const char* text) {
  const std::size_t length = std::min(std::strlen(text), N - 1);
  std::memcpy(target, text, length);
  target[length] = '\0';
}

bool HasMagic(const void* data) {
  return data != nullptr && std::memcmp(data, kProbeMagic, kProbeMagicLength) == 0;
}

void Report(const char* entry, const char* fileName, const void* address, std::int32_t length,
            std::uint32_t flag, std::intptr_t lData, std::int32_t progressAnswer) {
  if (Config.Hook == nullptr) return;
  static TProbeCall call;
  call = TProbeCall{};
  CopyText(call.Name, Config.Name);
  CopyText(call.Entry, entry);
  if (fileName != nullptr) CopyText(call.FileName, fileName);
  call.Length = length;
  call.Flag = flag;
  call.Address = reinterpret_cast<std::uintptr_t>(address);
  // The host promises 2048 readable bytes at every address it passes.
  if (address != nullptr) std::memcpy(call.Head, address, sizeof call.Head);
  call.LData = lData;
  call.ProgressAnswer = progressAnswer;
  Config.Hook(&call);
}

TSpiHandle Block(std::int32_t size, const std::uint8_t* content, std::size_t contentSize) {
  TSpiHandle handle = SpiLocalAlloc(static_cast<std::size_t>(size));
  if (handle == nullptr) return nullptr;
  auto* bytes = static_cast<std::uint8_t*>(SpiLocalLock(handle));
  std::memset(bytes, 0, static_cast<std::size_t>(size));
  std::memcpy(bytes, content, std::min(contentSize, static_cast<std::size_t>(size)));
  SpiLocalUnlock(handle);
  HandedOut.push_back(handle);
  return handle;
}

}  // namespace

SPI_EXPORT void SPI_API ProbeConfigure(const TProbeConfig* config) {
  Config = *config;
  HandedOut.clear();
}

SPI_EXPORT std::int32_t SPI_API ProbeLiveBlocks() {
#ifdef _WIN32
  return static_cast<std::int32_t>(std::count_if(HandedOut.begin(), HandedOut.end(), [](HLOCAL h) {
    return ::LocalFlags(h) != LMEM_INVALID_HANDLE;
  }));
#else
  return -1;
#endif
}

SPI_EXPORT std::int32_t SPI_API GetPluginInfo(std::int32_t infono, char* buf, std::int32_t buflen) {
  const char* const texts[] = {"00IN", "Tintsight probe plug-in", Config.Filter, "Probe picture"};
  return infono >= 0 && infono < 4 ? Answer(texts[infono], buf, buflen) : 0;
}

SPI_EXPORT std::int32_t SPI_API IsSupported(const char* filename, std::uintptr_t dw) {
  const auto* head = reinterpret_cast<const void*>(dw);
  Report("IsSupported", filename, head, 0, 0, 0, 0);
  return Config.Mode == pmAlways || (Config.Mode == pmMagic && HasMagic(head)) ? 1 : 0;
}

SPI_EXPORT std::int32_t SPI_API GetPictureInfo(const char* buf, std::int32_t len,
                                               std::uint32_t flag, TPictureInfo* lpInfo) {
  Report("GetPictureInfo", nullptr, buf, len, flag, 0, 0);
  if (Config.PictureInfoResult != SPI_SUCCESS) return Config.PictureInfoResult;
  const TSpiHandle text =
      Config.InfoTextBlockSize < 0
          ? nullptr
          : Block(Config.InfoTextBlockSize, Config.InfoText, sizeof Config.InfoText);
  *lpInfo = TPictureInfo{Config.Left,     Config.Top,      Config.Width,      Config.Height,
                         Config.XDensity, Config.YDensity, Config.ColorDepth, text};
  return SPI_SUCCESS;
}

SPI_EXPORT std::int32_t SPI_API GetPicture(const char* buf, std::int32_t len, std::uint32_t flag,
                                           TSpiHandle* pHBInfo, TSpiHandle* pHBm,
                                           TSpiProgressCallback progressCallback,
                                           std::intptr_t lData) {
  const std::int32_t progress = progressCallback != nullptr ? progressCallback(1, 2, lData) : -1;
  Report("GetPicture", nullptr, buf, len, flag, lData, progress);
  if (Config.Mode == pmMagic && !HasMagic(buf)) return SPI_UNKNOWN_FORMAT;
  if (Config.PictureResult != SPI_SUCCESS) return Config.PictureResult;
  *pHBInfo = Block(Config.HeaderBlockSize, Config.Header, sizeof Config.Header);
  *pHBm = Block(Config.BitsBlockSize, Config.Bits, sizeof Config.Bits);
  return SPI_SUCCESS;
}
