#include "platform/known_paths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "rtl/file_name.h"

namespace {

TEST(KnownPaths, SystemAndWindowsDirectoriesExistOnlyOnWindows) {
  const std::string system = platform::SystemDirectory();
  const std::string windows = platform::WindowsDirectory();
#ifdef _WIN32
  EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(system))) << system;
  EXPECT_EQ(ExtractFileDir(system), windows);
#else
  EXPECT_EQ(system + windows, "");
#endif
}

}  // namespace
