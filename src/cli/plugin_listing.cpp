#include "cli/plugin_listing.h"

#include "cli/report.h"
#include "plugins/am_spi.h"
#include "plugins/in_spi.h"
#include "plugins/xn_spi.h"

namespace {

// A text the module may have left empty.
std::string OrNone(const std::string& text) { return text.empty() ? "(none)" : OneLine(text); }

void ListPlugin(const TSPI& spi, std::ostream& output) {
  output << OneLine(spi.FileName()) << '\n'
         << "  class: " << PluginKind(spi) << " (" << spi.ClassName() << ")\n"
         << "  version: " << OrNone(spi.APIVersion()) << '\n'
         << "  name: " << OrNone(spi.PluginName()) << '\n';
  const auto& filters = spi.GetExtNames();
  const auto& descriptions = spi.GetFileTypes();
  for (std::size_t i = 0; i < filters.size(); ++i) {
    output << "  filter: " << OneLine(filters[i]);
    if (const std::string description = OneLine(descriptions[i]); !description.empty()) {
      output << " (" << description << ')';
    }
    output << '\n';
  }
}

}  // namespace

std::string_view PluginKind(const TSPI& spi) {
  if (dynamic_cast<const TInSPI*>(&spi) != nullptr) return "import";
  if (dynamic_cast<const TAmSPI*>(&spi) != nullptr) return "archive";
  return "other";
}

void ListPlugins(const TSPIs& plugins, std::span<const std::string> searchedFolders,
                 std::ostream& output) {
  if (plugins.Count() == 0) {
    output << "No plug-ins found. Searched:\n";
    for (const std::string& folder : searchedFolders) output << "  " << OneLine(folder) << '\n';
    return;
  }
  for (int i = 0; i < plugins.Count(); ++i) {
    if (i > 0) output << '\n';
    ListPlugin(*plugins.Plugins(i), output);
  }
}
