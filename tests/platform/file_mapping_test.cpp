#include "platform/file_mapping.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>

#include "plugin_test_support.h"

namespace {

TEST(FileMapping, MapsRegularFilesWholeAndNothingElse) {
  plugin_test::TTempDir dir;
  std::string content(70000, '\0');
  for (std::size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i % 251);
  plugin_test::WriteFile(dir.Path() / "picture.bin", content);
  plugin_test::WriteFile(dir.Path() / "empty.bin", "");
  std::filesystem::create_directory(dir.Path() / "folder");
  const std::pair<const char*, std::string> cases[] = {
      {"picture.bin", content}, {"empty.bin", ""}, {"folder", ""}, {"missing.bin", ""}};
  for (const auto& [name, expected] : cases) {
    const platform::File file = platform::File::Open(
        (dir.Path() / name).string(), platform::TFileAccess::faRead, platform::TFileShare::fsRead,
        platform::TFileDisposition::fdOpenExisting);
    platform::FileMapping mapping = platform::FileMapping::MapForReading(file);
    EXPECT_EQ(mapping.IsMapped(), !expected.empty()) << name;
    ASSERT_EQ(mapping.Size(), static_cast<std::int64_t>(expected.size())) << name;
    // Moved, the view stays valid in its new owner and the old one maps nothing.
    const platform::FileMapping moved = std::move(mapping);
    EXPECT_FALSE(mapping.IsMapped()) << name;
    if (!expected.empty()) {
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(moved.Data()), expected.size()), expected)
          << name;
    }
  }
}

}  // namespace
