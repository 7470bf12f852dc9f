#include "platform/file_search.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "plugin_test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(FileSearch, MatchesFilesOnlyAndPassesOverHiddenOnes) {
  plugin_test::TTempDir dir;
  for (const char* name : {"a.spi", "b.spi", "c.txt", "d.spi.txt", "hidden.spi"}) {
    plugin_test::WriteFile(dir.Path() / name, "x");
  }
  plugin_test::MakeHidden(dir.Path() / "hidden.spi");
  fs::create_directory(dir.Path() / "folder.spi");
  // A read-only file is found like any other.
  fs::permissions(dir.Path() / "b.spi", fs::perms::owner_write, fs::perm_options::remove);
  struct Case {
    const char* pattern;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"*.spi", {"a.spi", "b.spi"}},
      {"*", {"a.spi", "b.spi", "c.txt", "d.spi.txt"}},
      {"?.txt", {"c.txt"}},
      {"a.spi", {"a.spi"}},
      {"*.none", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names;
    platform::FileSearch search = platform::FileSearch::Open(dir.Prefix(), c.pattern);
    for (std::string name; search.Next(name);) names.push_back(name);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, c.expected) << c.pattern;
  }
  fs::permissions(dir.Path() / "b.spi", fs::perms::owner_write, fs::perm_options::add);
}

}  // namespace
