#include "plugins/local_spi_module.h"

#include <cstring>

#include "plugins/plugin_guard.h"
#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"
#include "plugins/wide_info_record.h"

namespace {

#if defined(_WIN32) && defined(_WIN64)
constexpr bool kWideRecord = true;
#else
constexpr bool kWideRecord = false;
#endif
// The scratch block: the record, then GetPicture's two handles.
constexpr std::size_t kScratchBytes = kWideInfoRecordBytes + 2 * sizeof(TSpiHandle);

// Loads the module under the guard: its initialisation (DllMain, constructors) is its code. A
// fault there counts as the module not loading.
platform::Module LoadModule(const std::string& fileName) {
  platform::Module module;
  platform::TFault fault;
  struct TLoad {
    const std::string& FileName;
    platform::Module& Module;
  } load{fileName, module};
  const bool returned = platform::CallGuarded(
      [](void* context) {
        auto& what = *static_cast<TLoad*>(context);
        what.Module = platform::Module::Load(what.FileName);
      },
      &load, fault);
  if (!returned || !module.IsLoaded()) {
    throw ESPIFOpenErrorSPI(spi_messages::SSPIFOpenError, {fileName});
  }
  return module;
}

template <class TFunction>
TFunction EntryPointAs(platform::TEntryPoint entry) {
  return reinterpret_cast<TFunction>(entry);
}

const char* AsBytes(const void* buffer) { return static_cast<const char*>(buffer); }

// A block that a faulting call stored in an out-parameter before the fault was handed over to
// us: it is freed, and the out-parameter gets back what it held before the call.
void FreeHandedOver(TSpiHandle& handle, TSpiHandle before) {
  if (handle != before && handle != nullptr) SpiLocalFree(handle);
  handle = before;
}

}  // namespace

TLocalSpiModule::TLocalSpiModule(const std::string& fileName)
    : Module_(LoadModule(fileName)), Path_(fileName), FileName_(Module_.FileName()) {
  GetPluginInfo_ = EntryPointAs<TSpiGetPluginInfo>(Module_.EntryPoint("GetPluginInfo"));
  IsSupported_ = EntryPointAs<TSpiIsSupported>(Module_.EntryPoint("IsSupported"));
  GetPictureInfo_ = EntryPointAs<TSpiGetPictureInfo>(Module_.EntryPoint("GetPictureInfo"));
  GetPicture_ = EntryPointAs<TSpiGetPicture>(Module_.EntryPoint("GetPicture"));
  GetPreview_ = EntryPointAs<TSpiGetPreview>(Module_.EntryPoint("GetPreview"));
}

TLocalSpiModule::~TLocalSpiModule() {
  // Unloading runs the module's own code too. A fault there cannot be reported from here; the
  // module is gone from our side either way.
  platform::TFault fault;
  platform::CallGuarded(
      [](void* module) { static_cast<platform::Module*>(module)->Unload(); }, &Module_, fault);
}

std::unique_ptr<TSpiModule> TLocalSpiModule::Open(const std::string& fileName) {
  return std::make_unique<TLocalSpiModule>(fileName);
}

std::uintptr_t TLocalSpiModule::Handle() const {
  return reinterpret_cast<std::uintptr_t>(Module_.Handle());
}

bool TLocalSpiModule::Exports(TSpiEntry entry) const {
  switch (entry) {
    case TSpiEntry::seGetPluginInfo:
      return GetPluginInfo_ != nullptr;
    case TSpiEntry::seIsSupported:
      return IsSupported_ != nullptr;
    case TSpiEntry::seGetPictureInfo:
      return GetPictureInfo_ != nullptr;
    case TSpiEntry::seGetPicture:
      return GetPicture_ != nullptr;
    case TSpiEntry::seGetPreview:
      return GetPreview_ != nullptr;
  }
  return false;
}

std::int32_t TLocalSpiModule::GetPluginInfo(std::int32_t infoNo, char* buffer,
                                            std::int32_t bufferLength) {
  std::int32_t result = 0;
  CallPlugin(Name(), "GetPluginInfo",
             [&] { result = GetPluginInfo_(infoNo, buffer, bufferLength); });
  return result;
}

std::int32_t TLocalSpiModule::IsSupported(const char* fileName, std::uintptr_t dw) {
  std::int32_t result = 0;
  CallPlugin(Name(), "IsSupported", [&] { result = IsSupported_(fileName, dw); });
  return result;
}

std::int32_t TLocalSpiModule::GetPictureInfo(const void* buffer, std::int32_t length,
                                             std::int32_t flag, TPictureInfo& info) {
  if constexpr (kWideRecord) return GetWidePictureInfo(buffer, length, flag, info);
  const TSpiHandle textBefore = info.hInfo;
  std::int32_t result = 0;
  try {
    CallPlugin(Name(), "GetPictureInfo", [&] {
      result = GetPictureInfo_(AsBytes(buffer), length, static_cast<std::uint32_t>(flag), &info);
    });
  } catch (const ESPIFault&) {
    // The record is packed: its handle is copied out rather than bound to a reference.
    TSpiHandle text = info.hInfo;
    FreeHandedOver(text, textBefore);
    info.hInfo = text;
    throw;
  }
  return result;
}

bool TLocalSpiModule::HasScratch() {
  if (!Scratch_.IsValid()) Scratch_ = platform::LowMemory::Allocate(kScratchBytes);
  return Scratch_.IsValid();
}

std::int32_t TLocalSpiModule::GetWidePictureInfo(const void* buffer, std::int32_t length,
                                                 std::int32_t flag, TPictureInfo& info) {
  // No room below 4 GB for the record: the call fails for want of memory, as the plug-in's would.
  if (!HasScratch()) return SPI_NO_MEMORY;
  std::uint8_t* const record = Scratch_.Data();
  std::memset(record, 0, kWideInfoRecordBytes);
  std::int32_t result = 0;
  try {
    CallPlugin(Name(), "GetPictureInfo", [&] {
      result = GetPictureInfo_(AsBytes(buffer), length, static_cast<std::uint32_t>(flag),
                               reinterpret_cast<TPictureInfo*>(record));
    });
  } catch (const ESPIFault&) {
    TSpiHandle text = reinterpret_cast<TSpiHandle>(static_cast<std::uintptr_t>(WideInfoRecordHandle(record)));
    FreeHandedOver(text, nullptr);
    throw;
  }
  const TSpiHandle textBefore = info.hInfo;
  std::memcpy(&info, record, kWideInfoFixedBytes);
  info.hInfo = textBefore;
  if (result == SPI_SUCCESS) info.hInfo = reinterpret_cast<TSpiHandle>(static_cast<std::uintptr_t>(WideInfoRecordHandle(record)));
  return result;
}

std::int32_t TLocalSpiModule::GetPicture(TSpiEntry entry, const void* buffer, std::int32_t length,
                                         std::int32_t flag, TSpiHandle& hBInfo, TSpiHandle& hBm,
                                         TSpiProgressCallback progress, std::intptr_t lData) {
  const TSpiGetPicture call = entry == TSpiEntry::seGetPreview ? GetPreview_ : GetPicture_;
  const TSpiHandle infoBefore = hBInfo;
  const TSpiHandle bitsBefore = hBm;
  // The plug-in writes its handles where the scratch block keeps them on 64-bit Windows; they are
  // copied to the caller's after the call, whichever way it ends.
  TSpiHandle* infoSlot = &hBInfo;
  TSpiHandle* bitsSlot = &hBm;
  if constexpr (kWideRecord) {
    if (!HasScratch()) return SPI_NO_MEMORY;
    infoSlot = reinterpret_cast<TSpiHandle*>(Scratch_.Data() + kWideInfoRecordBytes);
    bitsSlot = infoSlot + 1;
    *infoSlot = hBInfo;
    *bitsSlot = hBm;
  }
  std::int32_t result = 0;
  try {
    CallPlugin(Name(), SpiEntryName(entry), [&] {
      result = call(AsBytes(buffer), length, static_cast<std::uint32_t>(flag), infoSlot, bitsSlot,
                    progress, lData);
    });
  } catch (const ESPIFault&) {
    hBInfo = *infoSlot;
    hBm = *bitsSlot;
    FreeHandedOver(hBInfo, infoBefore);
    FreeHandedOver(hBm, bitsBefore);
    throw;
  }
  hBInfo = *infoSlot;
  hBm = *bitsSlot;
  return result;
}
