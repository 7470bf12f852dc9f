#include "plugins/spis.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "image/file_formats.h"
#include "platform/file_search.h"
#include "plugins/create_spi.h"
#include "plugins/spi_exceptions.h"
#include "plugins/spi_messages.h"
#include "plugins/spi_search_places.h"
#include "rtl/file_name.h"
#include "rtl/messages.h"

namespace {

// The two values the whole program shares. Both are constant-initialised, so that a picture
// module may set the default class from its own static initialisation, whatever the order.
constinit TSPIs* Instance = nullptr;
constinit TGraphicClass DefaultGraphic;

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Equal when only the case of the letters A to Z differs.
bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

}  // namespace

TSPIs* SusiePlugins() { return Instance; }

void TSPIs::SetDefaultGraphic(TGraphicClass graphicClass) { DefaultGraphic = graphicClass; }

TGraphicClass TSPIs::GetDefaultGraphic() { return DefaultGraphic; }

TSPIs::TSPIs(TComponent* owner)
    : TComponent(owner),
      SearchOptions_{TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir} {
  if (RunTime()) {
    if (Instance != nullptr) throw ESPIDupCreateSPIs(std::string(spi_messages::SSPIDupCreate));
    Instance = this;
  }
}

TSPIs::~TSPIs() {
  if (Instance == this) Instance = nullptr;
  Clear();
}

bool TSPIs::RunTime() const {
  const auto designing = TComponentStateFlag::csDesigning;
  return !HasState(designing) && (Owner() == nullptr || !Owner()->HasState(designing));
}

void TSPIs::Loaded() {
  TComponent::Loaded();
  if (RunTime() && AutoSearch_) SearchModules();
}

void TSPIs::CheckIndex(int index, int limit) const {
  if (index < 0 || index >= limit) throw EListError(rtl_messages::SListIndexError, {index});
}

void TSPIs::Add(std::unique_ptr<TSPI>&& spi) { Insert(Count(), std::move(spi)); }

void TSPIs::Insert(int index, std::unique_ptr<TSPI>&& spi) {
  CheckIndex(index, Count() + 1);
  TSPI* const added = spi.get();
  Plugins_.insert(Plugins_.begin() + index, std::move(spi));
  if (!RunTime()) return;
  if (auto* in = dynamic_cast<TInSPI*>(added)) RegisterFormats(*in);
}

void TSPIs::RegisterFormats(TInSPI& spi) {
  const std::vector<std::string>& filters = spi.GetExtNames();
  const std::vector<std::string>& descriptions = spi.GetFileTypes();
  for (std::size_t i = 0; i < filters.size(); ++i) {
    // Read afresh for each format: a handler may change it.
    TGraphicClass graphicClass = DefaultGraphic;
    std::string extension = ExtractFileExt(filters[i]);
    if (!extension.empty()) extension.erase(0, 1);
    if (OnPictureRegister_) {
      OnPictureRegister_(*this, spi, extension, descriptions[i], graphicClass);
    }
    if (graphicClass) GetFileFormats().Add(extension, descriptions[i], graphicClass);
  }
}

void TSPIs::Delete(int index) {
  CheckIndex(index, Count());
  const auto at = Plugins_.begin() + index;
  at->reset();
  Plugins_.erase(at);
}

void TSPIs::Remove(const TSPI* spi) {
  const int index = IndexOf(spi);
  if (index >= 0) Delete(index);
}

int TSPIs::IndexOf(const TSPI* spi) const {
  const auto found = std::find_if(Plugins_.begin(), Plugins_.end(),
                                  [&](const std::unique_ptr<TSPI>& p) { return p.get() == spi; });
  return found != Plugins_.end() ? static_cast<int>(found - Plugins_.begin()) : -1;
}

int TSPIs::IndexOfSPIName(const std::string& fileName) const {
  const auto found =
      std::find_if(Plugins_.begin(), Plugins_.end(),
                   [&](const std::unique_ptr<TSPI>& p) { return p->FileName() == fileName; });
  return found != Plugins_.end() ? static_cast<int>(found - Plugins_.begin()) : -1;
}

void TSPIs::Exchange(int index1, int index2) {
  CheckIndex(index1, Count());
  CheckIndex(index2, Count());
  std::swap(Plugins_[static_cast<std::size_t>(index1)],
            Plugins_[static_cast<std::size_t>(index2)]);
}

void TSPIs::Clear() {
  while (Count() > 0) Delete(0);
}

TSPI* TSPIs::Plugins(int index) const {
  CheckIndex(index, Count());
  return Plugins_[static_cast<std::size_t>(index)].get();
}

void TSPIs::FindPluginList(const std::vector<TSPIClass>& classes, const std::string& fileName,
                           std::vector<TSPI*>& list) const {
  const std::string extension = ExtractFileExt(fileName);
  for (const std::unique_ptr<TSPI>& spi : Plugins_) {
    const bool wanted = std::any_of(classes.begin(), classes.end(), [&](const TSPIClass& c) {
      return c.IsInstance(spi.get());
    });
    if (!wanted) continue;
    const std::vector<std::string>& filters = spi->GetExtNames();
    const bool namesExtension =
        !extension.empty() && std::any_of(filters.begin(), filters.end(), [&](const auto& f) {
          return SameTextAscii(ExtractFileExt(f), extension);
        });
    if (namesExtension) {
      list.insert(list.begin(), spi.get());
    } else {
      list.push_back(spi.get());
    }
  }
}

void TSPIs::Search(const std::string& pattern) {
  const std::string directory = ExtractFilePath(pattern);
  if (!directory.empty()) {
    ScanDirectory(IncludeTrailingPathDelimiter(directory), pattern.substr(directory.size()));
    return;
  }
  for (const TSPISearchOption option : kSPISearchOrder) {
    if (!SearchOptions_.Contains(option)) continue;
    const std::string place = SPISearchPlaceDirectory(option);
    if (!place.empty()) ScanDirectory(IncludeTrailingPathDelimiter(place), pattern);
  }
}

void TSPIs::SearchModules(const std::string& directory) {
  if (!directory.empty()) {
    for (const char* pattern : kSPIModulePatterns) {
      ScanDirectory(IncludeTrailingPathDelimiter(directory), pattern);
    }
    return;
  }
  for (const TSPISearchOption option : kSPISearchOrder) {
    if (!SearchOptions_.Contains(option)) continue;
    const std::string place = SPISearchPlaceDirectory(option);
    if (place.empty()) continue;
    for (const char* pattern : kSPIModulePatterns) {
      ScanDirectory(IncludeTrailingPathDelimiter(place), pattern);
    }
  }
}

void TSPIs::ScanDirectory(const std::string& directory, const std::string& pattern) {
  // Every name is gathered before any module opens, so the duplicate test sees the collection as
  // it was when the scan began.
  std::vector<std::string> found;
  {
    platform::FileSearch search = platform::FileSearch::Open(directory, pattern);
    std::string name;
    while (search.Next(name)) {
      std::string path = directory + name;
      if (IndexOfSPIName(path) < 0) found.push_back(std::move(path));
    }
  }
  for (const std::string& path : found) OpenFound(path);
}

void TSPIs::OpenFound(const std::string& path) {
  std::unique_ptr<TSPI> spi = CreateSPI(path);
  if (!spi) return;
  TSPI* const opened = spi.get();
  try {
    bool accept = true;
    if (OnSearch_) OnSearch_(*this, *opened, accept);
    if (accept) Add(std::move(spi));
  } catch (...) {
    // The trouble costs only this plug-in. Adding may have failed after the collection took it
    // over (while registering its formats): then it is taken out again, so that no entry is left
    // behind for an object being destroyed.
    const int index = IndexOf(opened);
    if (index >= 0) Delete(index);
  }
}
