// The clipboard as every build sees it, and the refusals of LoadFromClipboardData.
#include "image/clipboard.h"

#include <gtest/gtest.h>

#include "image/bitmap.h"
#include "image_fixtures.h"
#include "rtl/exception.h"

namespace {

using image_fixtures::ExpectFailure;
constexpr char kUnsupported[] = "未対応のクリップボード データです";

TEST(LoadFromClipboardData, RefusesAnyFormatButTheBitmapAndAMissingHandle) {
  const std::pair<unsigned, std::uintptr_t> cases[] = {
      {1, 0x1234}, {8, 0x1234}, {kClipboardBitmap, 0}, {0, 0}};
  for (const auto& [format, data] : cases) {
    TBitmap bitmap;
    ExpectFailure<EInvalidGraphic>([&] { bitmap.LoadFromClipboardData(format, data, 0); },
                                   kUnsupported, "format " + std::to_string(format));
    EXPECT_TRUE(bitmap.Empty());
  }
}

TEST(Clipboard, CloseWithoutOpenDoesNothing) {
  TClipboard clipboard;
  clipboard.Close();
  EXPECT_EQ(clipboard.OpenCount(), 0);
  EXPECT_EQ(clipboard.OwnerWindow(), 0u);
  EXPECT_EQ(&TheClipboard(), &TheClipboard()) << "one clipboard object per process";
}

#ifndef _WIN32
// Without a system clipboard nothing is offered, it cannot be opened, and even a bitmap
// handle is refused as data of no format this system reads.
TEST(Clipboard, WithoutASystemClipboardNothingIsOfferedOrOpened) {
  TClipboard clipboard;
  EXPECT_FALSE(clipboard.HasDataFormat(kClipboardBitmap));
  EXPECT_FALSE(clipboard.HasDataFormat(TClipboard::PictureFormat()));
  try {
    clipboard.Open();
    ADD_FAILURE() << "opened";
  } catch (const Exception& failure) {
    EXPECT_STREQ(failure.ClassName(), "Exception");
    EXPECT_EQ(failure.Message(), "クリップボードを開くことができません");
  }
  EXPECT_EQ(clipboard.OpenCount(), 0);
  TBitmap bitmap;
  ExpectFailure<EInvalidGraphic>([&] { bitmap.LoadFromClipboardData(kClipboardBitmap, 0x1234, 0); },
                                 kUnsupported, "a handle");
}
#endif

}  // namespace
