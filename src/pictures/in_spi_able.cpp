#include "pictures/in_spi_able.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

#include "image/graphic.h"
#include "platform/file_mapping.h"
#include "platform/text.h"
#include "plugins/in_spi.h"
#include "plugins/spis.h"
#include "rtl/exception.h"
#include "rtl/file_name.h"
#include "rtl/file_stream.h"
#include "rtl/messages.h"
#include "rtl/stream.h"
#include "spi_block.h"

namespace {

// Plug-ins may always read this many bytes at the address they are given.
constexpr std::int32_t kProbeSize = 2048;
// The leading header that a second attempt leaves out.
constexpr std::int64_t kLeadingHeaderSize = 128;

bool SameAsciiTextIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [&](char x, char y) { return lower(x) == lower(y); });
}

// The information text of a block: its bytes up to the first zero, or all of them.
std::string BlockText(const TSpiBlock& block) {
  const TSpiBlockLock lock(block);
  if (lock.Data() == nullptr) return {};
  const auto* bytes = static_cast<const char*>(lock.Data());
  const std::size_t size = block.Size();
  const void* zero = std::memchr(bytes, 0, size);
  const std::size_t length =
      zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : size;
  return platform::AnsiToUtf8(std::string_view(bytes, length));
}

}  // namespace

std::int32_t SPI_API ProgressCallback(std::int32_t /*nNum*/, std::int32_t /*nDenom*/,
                                      std::intptr_t /*lData*/) {
  return 0;
}

TInSPIAble::TInSPIAble(TGraphic* graphic) : Graphic_(graphic) {}

template <class Load>
void TInSPIAble::WithName(const std::string& name, Load&& load) {
  struct TClearName {
    TInSPIAble& Self;
    ~TClearName() {
      Self.Ext_.clear();
      Self.FileName_.clear();
    }
  } clear{*this};
  Ext_ = ExtractFileExt(name);
  FileName_ = name;
  load();
}

void TInSPIAble::LoadFromFile(const std::string& fileName) {
  WithName(fileName, [&] { LoadFromFileProc_(*Graphic_, FileName_); });
}

void TInSPIAble::LoadFromStreamWithName(TStream& stream, const std::string& name) {
  WithName(name, [&] { LoadFromStream(stream); });
}

void TInSPIAble::LoadFromStream(TStream& stream) {
  // The memory image that plug-ins are offered: any memory stream in place; a file read-only
  // mapped, so that the picture is not copied (the BMP reader then reads the file stream
  // itself, in large reads straight into its pixels); anything else copied once. The copy or
  // the mapping lives until the load ends.
  auto* memory = dynamic_cast<TCustomMemoryStream*>(&stream);
  TStream* native = memory;
  platform::FileMapping mapping;
  std::unique_ptr<TCustomMemoryStream> image;
  if (memory == nullptr) {
    if (const auto* file = dynamic_cast<TFileStream*>(&stream)) {
      mapping = platform::FileMapping::MapForReading(file->OpenFile());
      if (mapping.IsMapped()) {
        image = std::make_unique<TMemoryViewStream>(mapping.Data(), mapping.Size());
        native = &stream;
      }
    }
    if (image == nullptr) {
      auto copy = std::make_unique<TMemoryStream>();
      copy->LoadFromStream(stream);
      image = std::move(copy);
      native = image.get();
    }
    memory = image.get();
  }

  const bool pluginsFirst =
      !Ext_.empty() && !SameAsciiTextIgnoringCase(std::string_view(Ext_).substr(1), NativeExt_);
  const bool loaded = pluginsFirst ? LoadBySPIs(*memory) || LoadNative(*native)
                                   : LoadNative(*native) || LoadBySPIs(*memory);
  if (!loaded) throw EInvalidGraphic(std::string(rtl_messages::SUnknownPictureFormat));
}

bool TInSPIAble::LoadNative(TStream& stream) {
  stream.SetPosition(0);
  try {
    LoadFromStreamProc_(*Graphic_, stream);
  } catch (const Exception&) {
    return false;
  }
  return true;
}

bool TInSPIAble::LoadBySPIs(TCustomMemoryStream& memory) {
  TSPIs* plugins = SusiePlugins();
  if (plugins == nullptr) return false;
  std::vector<TSPI*> candidates;
  plugins->FindPluginList({TSPIClass::Of<TInSPI>()}, Ext_, candidates);
  for (TSPI* candidate : candidates) {
    auto* spi = dynamic_cast<TInSPI*>(candidate);
    if (spi != nullptr && LoadFromStreamBySPI(memory, *spi)) return true;
  }
  return false;
}

bool TInSPIAble::LoadFromStreamBySPI(TCustomMemoryStream& stream, TInSPI& spi) {
  const std::int64_t size = stream.Size();
  // The plug-in interface carries the length in 32 signed bits; a larger picture cannot be
  // offered without cutting it.
  if (size > std::numeric_limits<std::int32_t>::max()) return false;
  const std::uint8_t* data = stream.Memory();
  bool done = TryDecode(spi, data, static_cast<std::int32_t>(size));
  if (!done && SkipLeadingHeader_ && size > kLeadingHeaderSize) {
    done = TryDecode(spi, data + kLeadingHeaderSize,
                     static_cast<std::int32_t>(size - kLeadingHeaderSize));
  }
  return done;
}

bool TInSPIAble::TryDecode(TInSPI& spi, const std::uint8_t* data, std::int32_t length) {
  bool done = false;
  TPictureInfoRec info;

  // Short data goes through a zero-padded buffer, so that a plug-in can always read the head
  // it expects; the length passed stays the true one.
  std::array<std::uint8_t, kProbeSize> padded{};
  if (length < kProbeSize) {
    if (length > 0) std::memcpy(padded.data(), data, static_cast<std::size_t>(length));
    data = padded.data();
  }
  const auto* buffer = reinterpret_cast<const char*>(data);

  const std::string name = platform::Utf8ToAnsi(FileName_);
  if (spi.IsSupported(name.c_str(), reinterpret_cast<std::uintptr_t>(data)) == 0) return false;

  TPictureInfo pictureInfo{};
  if (spi.GetPictureInfo(buffer, length, SPI_INPUT_MEMORY, pictureInfo) == SPI_SUCCESS) {
    const TSpiBlock text(pictureInfo.hInfo);
    info.left = pictureInfo.left;
    info.top = pictureInfo.top;
    info.width = pictureInfo.width;
    info.height = pictureInfo.height;
    info.x_density = pictureInfo.x_density;
    info.y_density = pictureInfo.y_density;
    info.colorDepth = pictureInfo.colorDepth;
    if (text) info.InfoText = BlockText(text);
    info.InfoValid = true;
  }

  std::unique_ptr<TSpiPicture> picture;
  if (spi.GetPictureBlocks(buffer, length, SPI_INPUT_MEMORY, picture, ProgressCallback,
                           reinterpret_cast<std::intptr_t>(this)) != SPI_SUCCESS) {
    return false;
  }
  // Blocks that could not be read yield no picture.
  if (picture == nullptr) return false;
  LoadFromSPIProc_(picture->Info, picture->Bits, info, done);
  return done;
}
