#include "image/file_formats.h"

#include <gtest/gtest.h>

#include "image/bitmap.h"

namespace {

// Two picture classes of the same name, to see which entry a lookup by name finds.
namespace first {
class TSharedName : public TBitmap {
 public:
  TS_CLASS_NAME(TSharedName)
};
}  // namespace first
namespace second {
class TSharedName : public TBitmap {
 public:
  TS_CLASS_NAME(TSharedName)
};
}  // namespace second

TEST(FileFormats, StartsWithTheClassLibrarysFormats) {
  const TFileFormatsList& formats = GetFileFormats();
  const char* const expected[][3] = {{"wmf", "TMetafile", "メタファイル"},
                                     {"emf", "TMetafile", "エンハンス メタファイル"},
                                     {"ico", "TIcon", "アイコン"},
                                     {"bmp", "TBitmap", "ビットマップ"}};
  ASSERT_GE(formats.Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(formats.Items(i).Extension, expected[i][0]) << i;
    EXPECT_EQ(formats.Items(i).GraphicClass.ClassName(), expected[i][1]) << i;
    EXPECT_EQ(formats.Items(i).Description, expected[i][2]) << i;
  }
  // Metafiles and icons are only named: their classes make no picture.
  EXPECT_EQ(formats.Items(0).GraphicClass.Create(), nullptr);
  EXPECT_EQ(formats.Items(2).GraphicClass.Create(), nullptr);
  const auto bitmap = formats.Items(3).GraphicClass.Create();
  ASSERT_NE(bitmap, nullptr);
  EXPECT_STREQ(bitmap->ClassName(), "TBitmap");
}

TEST(FileFormats, AddsWithTheExtensionLowered) {
  TFileFormatsList& formats = GetFileFormats();
  const std::pair<const char*, const char*> cases[] = {
      {"JPG", "jpg"}, {"Tiff", "tiff"}, {"", ""}, {"JPG", "jpg"}};
  for (const auto& [extension, stored] : cases) {
    const int before = formats.Count();
    formats.Add(extension, "説明", TGraphicClass::Of<TBitmap>());
    ASSERT_EQ(formats.Count(), before + 1) << "every add appends, repeats included";
    EXPECT_EQ(formats.Items(before).Extension, stored) << extension;
    EXPECT_EQ(formats.Items(before).Description, "説明");
    EXPECT_TRUE(formats.Items(before).GraphicClass == TGraphicClass::Of<TBitmap>());
  }
}

TEST(FileFormats, FindsClassesByExactNameLatestFirst) {
  TFileFormatsList& formats = GetFileFormats();
  formats.Add("one", "first", TGraphicClass::Of<first::TSharedName>());
  formats.Add("two", "second", TGraphicClass::Of<second::TSharedName>());
  const std::pair<const char*, TGraphicClass> cases[] = {
      {"TSharedName", TGraphicClass::Of<second::TSharedName>()},
      {"TBitmap", TGraphicClass::Of<TBitmap>()},
      {"TIcon", formats.Items(2).GraphicClass},
      {"tbitmap", TGraphicClass()},
      {"TBitmap ", TGraphicClass()},
  };
  for (const auto& [name, expected] : cases) {
    const TGraphicClass found = formats.FindClassName(name);
    EXPECT_TRUE(found == expected) << name << ": expected " << expected.ClassName() << ", got "
                                   << found.ClassName();
  }
}

}  // namespace
