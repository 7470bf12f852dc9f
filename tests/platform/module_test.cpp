#include "platform/module.h"

#include <gtest/gtest.h>

#include "plugin_test_support.h"
#include "rtl/file_name.h"

namespace {

using plugin_test::CopyPlugin;
using plugin_test::IsModuleLoaded;
using plugin_test::Text;

TEST(Module, LoadsFindsEntryPointsByNameAndUnloads) {
  plugin_test::TTempDir dir;
  const auto path = CopyPlugin("tp_in_no_preview", dir.Path(), "m.spi");
  {
    const platform::Module module = platform::Module::Load(Text(path));
    ASSERT_TRUE(module.IsLoaded());
    EXPECT_TRUE(IsModuleLoaded(path));
    EXPECT_NE(module.EntryPoint("GetPluginInfo"), nullptr);
    EXPECT_NE(module.EntryPoint("GetPicture"), nullptr);
    EXPECT_EQ(module.EntryPoint("GetPreview"), nullptr);
    EXPECT_EQ(module.EntryPoint("getplugininfo"), nullptr) << "names are exact";
    EXPECT_EQ(platform::ModuleEntryPoint(module.Handle(), "IsSupported"),
              module.EntryPoint("IsSupported"));
    EXPECT_EQ(ExtractFileName(module.FileName()), "m.spi") << module.FileName();
  }
  EXPECT_FALSE(IsModuleLoaded(path)) << "the destructor unloads";
}

TEST(Module, SystemCountsLoadsAndMovesKeepOneOwner) {
  plugin_test::TTempDir dir;
  const auto path = CopyPlugin("tp_in", dir.Path(), "m.spi");
  platform::Module first = platform::Module::Load(Text(path));
  platform::Module second = platform::Module::Load(Text(path));
  ASSERT_TRUE(first.IsLoaded());
  EXPECT_EQ(first.Handle(), second.Handle()) << "one module, loaded twice";
  first.Unload();
  EXPECT_FALSE(first.IsLoaded());
  EXPECT_TRUE(IsModuleLoaded(path)) << "the second load keeps it";

  platform::Module moved = std::move(second);
  EXPECT_FALSE(second.IsLoaded());
  EXPECT_TRUE(moved.IsLoaded());
  moved = platform::Module();
  EXPECT_FALSE(IsModuleLoaded(path)) << "assigning over the last load unloads";
}

TEST(Module, WhatDoesNotLoad) {
  plugin_test::TTempDir dir;
  plugin_test::WriteFile(dir.Path() / "text.spi", "not a module at all");
  for (const std::string& path : {Text(dir.Path() / "text.spi"), Text(dir.Path() / "none.spi"),
                                  Text(dir.Path())}) {
    const platform::Module module = platform::Module::Load(path);
    EXPECT_FALSE(module.IsLoaded()) << path;
    EXPECT_EQ(module.FileName(), "") << path;
    EXPECT_EQ(module.EntryPoint("GetPluginInfo"), nullptr) << path;
  }
}

}  // namespace
