#include "platform/module.h"

#include <gtest/gtest.h>

#include "plugin_test_support.h"
#include "rtl/file_name.h"

namespace {

using plugin_test::CopyPlugin;
using plugin_test::IsModuleLoaded;
using plugin_test::Text;

TEST(Module, FindsEntryPointsByExactNameAndCountsLoads) {
  plugin_test::TTempDir dir;
  const auto path = CopyPlugin("tp_in_no_preview", dir.Path(), "m.spi");
  platform::Module first = platform::Module::Load(Text(path));
  ASSERT_TRUE(first.IsLoaded());
  EXPECT_NE(first.EntryPoint("GetPicture"), nullptr);
  EXPECT_EQ(first.EntryPoint("GetPreview"), nullptr);
  EXPECT_EQ(first.EntryPoint("getpicture"), nullptr) << "names are exact";
  EXPECT_EQ(ExtractFileName(first.FileName()), "m.spi") << first.FileName();

  platform::Module second = platform::Module::Load(Text(path));
  EXPECT_EQ(first.Handle(), second.Handle()) << "one module, loaded twice";
  first.Unload();
  EXPECT_TRUE(IsModuleLoaded(path)) << "the second load keeps it";
  platform::Module moved = std::move(second);
  EXPECT_FALSE(second.IsLoaded());
  moved = platform::Module();
  EXPECT_FALSE(IsModuleLoaded(path)) << "releasing the last load unloads";
}

}  // namespace
