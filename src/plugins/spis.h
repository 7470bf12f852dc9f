// TSPIs: the plug-in collection. A non-visual component that finds Susie plug-in modules on
// disk, opens each new one as the class its API version selects, owns every plug-in object it
// holds, registers each import plug-in's picture formats with the picture-format registry, and
// answers which plug-ins may decode a given file.
//
// At run time at most one collection exists; SusiePlugins() returns it. The default picture class
// (the class under which plug-in formats are registered) is shared by the whole program, not held
// per collection, and is set before any collection exists.
//
// Steps marked "run-time only" below are skipped while the collection, or its owner, is in the
// design state (csDesigning); the program itself never is.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/graphic.h"
#include "plugins/in_spi.h"
#include "plugins/spi.h"
#include "plugins/spi_search_options.h"
#include "rtl/component.h"

class TSPIs;

// Asked before a found plug-in is added; clearing `accept` leaves the plug-in out (it is then
// destroyed). An exception from it costs only that plug-in.
using TSPISearchEvent = std::function<void(TSPIs& sender, TSPI& spi, bool& accept)>;
// Asked before each picture format of an import plug-in is registered; the handler may replace
// the class, or set the null class to skip the format. `extension` has no dot.
using TSPIPictureRegisterEvent =
    std::function<void(TSPIs& sender, TInSPI& spi, const std::string& extension,
                       const std::string& description, TGraphicClass& graphicClass)>;

class TSPIs : public TComponent {
 public:
  TS_CLASS_NAME(TSPIs)

  // An empty collection searching {spsSusieDir, spsAppDir} with AutoSearch on; a stored
  // description then sets both. Run-time only: it becomes the collection instance, or, when one
  // exists already, fails with ESPIDupCreateSPIs "TSPIs は複数生成できません" and the existing one
  // stays the instance.
  explicit TSPIs(TComponent* owner);
  // Stops being the instance, then destroys every plug-in, position 0 first, unloading its
  // module. Registered picture formats stay registered.
  ~TSPIs() override;

  // After the base notification, run-time only: SearchModules() when AutoSearch is on.
  void Loaded() override;

  // Finds and opens modules. A pattern with a directory part (up to its last path delimiter)
  // scans only that directory for the rest; otherwise the selected places are scanned with the
  // whole pattern, in the order Susie directory, program's "SusiePlugin" directory, program's
  // directory, current, system and Windows directories. In each directory the matching files are
  // listed first, in the file system's order, leaving out every path that some plug-in's FileName
  // already equals exactly; then each is opened with CreateSPI, offered to OnSearch and added.
  // Unusable modules are passed over silently; an exception from OnSearch or from adding (format
  // registration included) costs only that plug-in, which is destroyed. Any other exception
  // while a module is opened ends the search; the plug-ins added before it stay.
  void Search(const std::string& pattern);
  // Search for every kind of module this build hosts (kSPIModulePatterns): each place of the
  // search options in their order, or only `directory` when it is not empty, scanned once per
  // kind in that list's order.
  void SearchModules(const std::string& directory = {});

  // Insert at Count().
  void Add(std::unique_ptr<TSPI>&& spi);
  // Inserts `spi` (not null) at `index` (0 to Count()) and takes it over; then, run-time only
  // and for a TInSPI, registers its formats: for each filter, the extension after its last '.'
  // (empty when a path delimiter or nothing comes after it, so of several patterns only the
  // last counts), its description and the current default picture class go through
  // OnPictureRegister and, unless the class ends up null, into the picture-format registry. If
  // registering raises, the plug-in stays in the collection and the exception passes on. A bad
  // index fails with EListError "リストのインデックスが範囲を超えています (%d)" before anything
  // changes, and the caller keeps `spi`.
  void Insert(int index, std::unique_ptr<TSPI>&& spi);
  // Destroys the plug-in at `index`, then removes its entry.
  void Delete(int index);
  // Delete at the position of `spi`; nothing (and `spi` is not destroyed) when it is not held.
  void Remove(const TSPI* spi);
  // Position of that very object, or -1.
  int IndexOf(const TSPI* spi) const;
  // First position whose FileName equals `fileName` byte for byte, or -1.
  int IndexOfSPIName(const std::string& fileName) const;
  // Swaps the entries at the two positions.
  void Exchange(int index1, int index2);
  // Destroys every plug-in, position 0 first.
  void Clear();
  int Count() const { return static_cast<int>(Plugins_.size()); }
  // The plug-in at `index`, still owned by the collection.
  TSPI* Plugins(int index) const;

  // Appends to `list` every held plug-in that is an instance of one of `classes`: those with a
  // filter whose extension equals the extension of `fileName` (from its last '.', compared with
  // the letters A to Z in either case) each go to the front, so the one latest in the collection
  // comes first; every other goes to the end, in collection order. A name without extension
  // puts all at the end. The list is not emptied first and does not own what it receives.
  void FindPluginList(const std::vector<TSPIClass>& classes, const std::string& fileName,
                      std::vector<TSPI*>& list) const;

  // The picture class under which plug-in formats are registered (null at program start).
  static void SetDefaultGraphic(TGraphicClass graphicClass);
  static TGraphicClass GetDefaultGraphic();

  bool AutoSearch() const { return AutoSearch_; }
  void SetAutoSearch(bool autoSearch) { AutoSearch_ = autoSearch; }
  TSPISearchOptions SearchOptions() const { return SearchOptions_; }
  void SetSearchOptions(TSPISearchOptions options) { SearchOptions_ = options; }
  const TSPISearchEvent& OnSearch() const { return OnSearch_; }
  void SetOnSearch(TSPISearchEvent handler) { OnSearch_ = std::move(handler); }
  const TSPIPictureRegisterEvent& OnPictureRegister() const { return OnPictureRegister_; }
  void SetOnPictureRegister(TSPIPictureRegisterEvent handler) {
    OnPictureRegister_ = std::move(handler);
  }

 private:
  // Whether the run-time-only steps run: neither this component nor its owner is designing.
  bool RunTime() const;
  void CheckIndex(int index, int limit) const;
  void RegisterFormats(TInSPI& spi);
  // Lists `directory` (empty, or ending with a delimiter) for `pattern`, then opens what is new.
  void ScanDirectory(const std::string& directory, const std::string& pattern);
  // Opens one found module and adds it if it is usable and accepted.
  void OpenFound(const std::string& path);

  std::vector<std::unique_ptr<TSPI>> Plugins_;
  TSPISearchOptions SearchOptions_;
  TSPISearchEvent OnSearch_;
  TSPIPictureRegisterEvent OnPictureRegister_;
  bool AutoSearch_ = true;
};

// The collection instance, or null when none exists.
TSPIs* SusiePlugins();
