#include "platform/known_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "rtl/file_name.h"

namespace fs = std::filesystem;

namespace {

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
