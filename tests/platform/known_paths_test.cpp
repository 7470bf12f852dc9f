#include "platform/known_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "plugin_test_support.h"
#include "rtl/file_name.h"

namespace fs = std::filesystem;

namespace {

TEST(KnownPaths, ExecutableIsThisTestProgram) {
  const std::string path = platform::ExecutablePath();
  ASSERT_FALSE(path.empty());
  EXPECT_TRUE(fs::is_regular_file(fs::u8path(path))) << path;
  EXPECT_NE(ExtractFileName(path).find("platform_tests"), std::string::npos) << path;
}

TEST(KnownPaths, CurrentDirectoryFollowsChanges) {
  const std::string before = platform::CurrentDirectory();
  ASSERT_FALSE(before.empty());
  EXPECT_TRUE(fs::equivalent(fs::u8path(before), fs::current_path())) << before;
  {
    plugin_test::TTempDir dir;
    ASSERT_TRUE(platform::ChangeCurrentDirectory(plugin_test::Text(dir.Path())));
    EXPECT_TRUE(fs::equivalent(fs::u8path(platform::CurrentDirectory()), dir.Path()))
        << platform::CurrentDirectory();
    EXPECT_FALSE(platform::ChangeCurrentDirectory(plugin_test::Text(dir.Path() / "missing")));
    ASSERT_TRUE(platform::ChangeCurrentDirectory(before));
  }
  EXPECT_EQ(platform::CurrentDirectory(), before);
}

TEST(KnownPaths, SystemAndWindowsDirectories) {
#ifdef _WIN32
  for (const std::string& dir : {platform::SystemDirectory(), platform::WindowsDirectory()}) {
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs::is_directory(fs::u8path(dir))) << dir;
  }
  EXPECT_EQ(ExtractFileDir(platform::SystemDirectory()), platform::WindowsDirectory());
#else
  EXPECT_EQ(platform::SystemDirectory(), "");
  EXPECT_EQ(platform::WindowsDirectory(), "");
#endif
}

}  // namespace
