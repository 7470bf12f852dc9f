#include "rtl/file_name.h"

#include <gtest/gtest.h>

namespace {

struct NameCase {
  const char* path;
  const char* ext;
  const char* dir;
  const char* name;
};

#ifdef _WIN32
constexpr NameCase kCases[] = {
    {"C:\\pics\\photo.JPG", ".JPG", "C:\\pics", "photo.JPG"},
    {"C:\\photo.jpg", ".jpg", "C:\\", "photo.jpg"},
    {"C:\\dir.d\\noext", "", "C:\\dir.d", "noext"},
    {"a:b", "", "a:", "b"},
    {"archive.tar.gz", ".gz", "", "archive.tar.gz"},
    {"\\\\server\\share.x\\", "", "\\\\server\\share.x", ""},
    {"C:/mixed/x.bmp", ".bmp", "C:/mixed", "x.bmp"},
};
#else
constexpr NameCase kCases[] = {
    {"/pics/photo.JPG", ".JPG", "/pics", "photo.JPG"},
    {"/photo.jpg", ".jpg", "/", "photo.jpg"},
    {"/dir.d/noext", "", "/dir.d", "noext"},
    {"archive.tar.gz", ".gz", "", "archive.tar.gz"},
    {"trailing.", ".", "", "trailing."},
    {"a//b.x", ".x", "a//", "b.x"},
};
#endif

TEST(FileName, ExtensionDirectoryAndName) {
  for (const auto& c : kCases) {
    EXPECT_EQ(ExtractFileExt(c.path), c.ext) << c.path;
    EXPECT_EQ(ExtractFileDir(c.path), c.dir) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
  }
}

TEST(FileName, TrailingDelimiter) {
  const std::string d(1, PathDelimiter());
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "");
  EXPECT_EQ(IncludeTrailingPathDelimiter("x"), "x" + d);
  EXPECT_EQ(IncludeTrailingPathDelimiter("x" + d), "x" + d);
}

}  // namespace
