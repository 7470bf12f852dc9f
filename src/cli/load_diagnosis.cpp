#include "cli/load_diagnosis.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "image/bitmap.h"
#include "pictures/in_spi_able.h"
#include "platform/text.h"
#include "plugins/in_spi.h"
#include "plugins/spi_result_name.h"
#include "plugins/spis.h"
#include "rtl/exception.h"
#include "rtl/file_name.h"
#include "rtl/stream.h"
#include "spi_block.h"

namespace {

// As the loading offers data: plug-ins may always read this many bytes at the address.
constexpr std::size_t kProbeSize = 2048;
// The leading header that the loading's second offer leaves out.
constexpr std::size_t kLeadingHeaderSize = 128;
constexpr char kNoPlugIn[] = "not a BMP file, and no plug-in is installed";

bool StartsAsBmp(const std::uint8_t* data, std::int64_t size) {
  return size >= 2 && data[0] == 'B' && data[1] == 'M';
}

// The import plug-ins of the collection in the order that the loading asks them for `name`.
std::vector<TInSPI*> ImportPlugins(const std::string& name) {
  TSPIs* plugins = SusiePlugins();
  std::vector<TSPI*> candidates;
  if (plugins != nullptr) {
    plugins->FindPluginList({TSPIClass::Of<TInSPI>()}, ExtractFileExt(name), candidates);
  }
  std::vector<TInSPI*> result;
  for (TSPI* candidate : candidates) {
    if (auto* plugin = dynamic_cast<TInSPI*>(candidate)) result.push_back(plugin);
  }
  return result;
}

std::string Refused(TInSPI& plugin) { return ExtractFileName(plugin.FileName()) + " refused"; }

// Whether `plugin` takes data that starts with `head`, asked as the loading asks it.
bool MayTake(TInSPI& plugin, const std::string& ansiName, std::span<const std::uint8_t> head) {
  std::array<std::uint8_t, kProbeSize> padded{};
  std::memcpy(padded.data(), head.data(), std::min(head.size(), kProbeSize));
  try {
    return plugin.IsSupported(ansiName.c_str(), reinterpret_cast<std::uintptr_t>(padded.data())) !=
           0;
  } catch (const Exception&) {
    return true;  // the loading meets the same fault and reports it
  }
}

std::string BmpReaderAnswer(TCustomMemoryStream& picture) {
  picture.SetPosition(0);
  try {
    TBitmap reader;
    reader.LoadFromStream(picture);
  } catch (const Exception& refusal) {
    return "BMP reader: " + refusal.Message();
  } catch (const std::bad_alloc&) {
    return "BMP reader: out of memory";
  }
  return "BMP reader: read it";
}

// What one plug-in answers to the whole data, in the order of the loading's calls.
std::string PluginAnswer(TInSPI& plugin, TCustomMemoryStream& picture, const std::string& name) {
  const std::string who = ExtractFileName(plugin.FileName()) + " ";
  const std::int64_t size = picture.Size();
  if (size > std::numeric_limits<std::int32_t>::max()) return who + "was not asked (too long)";
  const auto length = static_cast<std::int32_t>(size);
  std::vector<std::uint8_t> padded;
  const std::uint8_t* data = picture.Memory();
  if (static_cast<std::size_t>(length) < kProbeSize) {
    padded.assign(kProbeSize, 0);
    std::memcpy(padded.data(), data, static_cast<std::size_t>(length));
    data = padded.data();
  }
  try {
    const std::string ansiName = platform::Utf8ToAnsi(name);
    if (plugin.IsSupported(ansiName.c_str(), reinterpret_cast<std::uintptr_t>(data)) == 0) {
      return who + "refused";
    }
    TSpiHandle info = nullptr;
    TSpiHandle bits = nullptr;
    const std::int32_t code =
        plugin.GetPicture(data, length, SPI_INPUT_MEMORY, info, bits, ProgressCallback, 0);
    const TSpiBlock infoBlock(info);
    const TSpiBlock bitsBlock(bits);
    if (code != SPI_SUCCESS) return who + "failed with code " + SPIResultText(code);
    return who + "decoded a picture that was refused";
  } catch (const Exception& fault) {
    return who + "faulted: " + fault.Message();
  }
}

}  // namespace

std::string WhyNothingDecodes(TCustomMemoryStream& picture, const std::string& name) {
  if (StartsAsBmp(picture.Memory(), picture.Size())) return BmpReaderAnswer(picture);
  std::string answers;
  for (TInSPI* plugin : ImportPlugins(name)) {
    answers += (answers.empty() ? "" : ", ") + PluginAnswer(*plugin, picture, name);
  }
  return answers.empty() ? kNoPlugIn : answers;
}

std::optional<std::string> WhyNothingReadsHead(std::span<const std::uint8_t> head,
                                               const std::string& name) {
  if (StartsAsBmp(head.data(), static_cast<std::int64_t>(head.size()))) return std::nullopt;
  const std::string ansiName = platform::Utf8ToAnsi(name);
  std::string answers;
  for (TInSPI* plugin : ImportPlugins(name)) {
    if (MayTake(*plugin, ansiName, head) ||
        (head.size() > kLeadingHeaderSize &&
         MayTake(*plugin, ansiName, head.subspan(kLeadingHeaderSize)))) {
      return std::nullopt;
    }
    answers += (answers.empty() ? "" : ", ") + Refused(*plugin);
  }
  return answers.empty() ? kNoPlugIn : answers;
}
