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
  struct Entry {
    const char* extension;
    const char* className;
    const char* description;
  };
  const Entry expected[] = {
      {"wmf", "TMetafile", "メタファイル"},
      {"emf", "TMetafile", "エンハンス メタファイル"},
      {"ico", "TIcon", "アイコン"},
      {"bmp", "TBitmap", "ビットマップ"},
  };
  ASSERT_GE(formats.Count(), 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(formats.Items(i).Extension, expected[i].extension) << i;
    EXPECT_EQ(formats.Items(i).GraphicClass.ClassName(), expected[i].className) << i;
    EXPECT_EQ(formats.Items(i).Description, expected[i].description) << i;
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
  struct Case {
    const char* extension;
    const char* stored;
  };
  const Case cases[] = {{"JPG", "jpg"}, {"Tiff", "tiff"}, {"", ""}, {"bmp", "bmp"}, {"JPG", "jpg"}};
  for (const Case& c : cases) {
    const int before = formats.Count();
    formats.Add(c.extension, "説明", TGraphicClass::Of<TBitmap>());
    ASSERT_EQ(formats.Count(), before + 1) << "every add appends, repeats included";
    EXPECT_EQ(formats.Items(before).Extension, c.stored) << c.extension;
    EXPECT_EQ(formats.Items(before).Description, "説明");
    EXPECT_TRUE(formats.Items(before).GraphicClass == TGraphicClass::Of<TBitmap>());
  }
}

TEST(FileFormats, FindsClassesByExactNameLatestFirst) {
  TFileFormatsList& formats = GetFileFormats();
  formats.Add("one", "first", TGraphicClass::Of<first::TSharedName>());
  formats.Add("two", "second", TGraphicClass::Of<second::TSharedName>());
  struct Case {
    const char* name;
    TGraphicClass expected;
  };
  const Case cases[] = {
      {"TSharedName", TGraphicClass::Of<second::TSharedName>()},
      {"TBitmap", TGraphicClass::Of<TBitmap>()},
      {"TMetafile", formats.Items(0).GraphicClass},
      {"TIcon", formats.Items(2).GraphicClass},
      {"tbitmap", TGraphicClass()},
      {"TBitmap ", TGraphicClass()},
      {"TSPIBitmapNever", TGraphicClass()},
  };
  for (const Case& c : cases) {
    const TGraphicClass found = formats.FindClassName(c.name);
    EXPECT_TRUE(found == c.expected)
        << c.name << ": expected " << c.expected.ClassName() << ", got " << found.ClassName();
  }
}

}  // namespace
