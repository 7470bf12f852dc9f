// The clipboard import on Windows: bitmaps handed over in-process, and the real clipboard filled
// or held by a second program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "clipboard_pattern.h"
#include "clipboard_source_process.h"
#include "image/bitmap.h"
#include "image/clipboard.h"
#include "image_fixtures.h"
#include "rtl/exception.h"

namespace {

using image_fixtures::ExpectFailure;
constexpr char kCannotOpen[] = "クリップボードを開くことができません";

// The pixels of `bitmap` converted to 24 bits, as 0xRRGGBB, rows from the top.
std::vector<std::uint32_t> Pixels24(const TBitmap& source) {
  TBitmap copy;
  copy.Assign(&source);
  copy.SetPixelLayout(TPixelLayout::pl24Bit);
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < copy.Height(); ++y) {
    const std::uint8_t* row = copy.RowData(y);
    for (int x = 0; x < copy.Width(); ++x)
      pixels.push_back(row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x]);
  }
  return pixels;
}

TEST(LoadFromClipboardData, CopiesADeviceBitmapIntoTheDeviceDependentForm) {
  struct Case {
    bool monochrome;
    int width, height;
  };
  for (const Case c : {Case{false, 7, 5}, Case{true, 19, 4}, Case{false, 1, 1}}) {
    const HBITMAP handle = clipboard_pattern::MakeBitmap(c.width, c.height, c.monochrome);
    TBitmap bitmap;
    // A core-layout mark from an earlier picture does not survive the import.
    bitmap.ImageLoaded(image_fixtures::MakeSection({24, 1, 1}), nullptr, true);
    image_fixtures::TChangeCounter changes(bitmap);
    bitmap.LoadFromClipboardData(kClipboardBitmap, reinterpret_cast<std::uintptr_t>(handle), 0);
    ::DeleteObject(handle);  // the copy does not depend on the handle
    const std::string what = std::to_string(c.width) + " x " + std::to_string(c.height);
    EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::plDevice) << what;
    EXPECT_EQ(bitmap.Description().dsBm.bmBitsPixel, c.monochrome ? 1 : 32) << what;
    EXPECT_FALSE(bitmap.Image().FromCoreHeader()) << what;
    EXPECT_EQ(changes.Count, 1) << what;
    EXPECT_EQ(Pixels24(bitmap), clipboard_pattern::Pixels(c.width, c.height, c.monochrome)) << what;
  }
}

TEST(LoadFromClipboardData, ADIBSectionKeepsItsLayout) {
  std::vector<std::uint8_t> block(sizeof(BITMAPINFOHEADER) + 4 * sizeof(RGBQUAD));
  auto* info = reinterpret_cast<BITMAPINFO*>(block.data());
  info->bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 8, BI_RGB, 0, 0, 0, 4, 0};
  const RGBQUAD table[4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  std::memcpy(info->bmiColors, table, sizeof table);
  void* bits = nullptr;
  const HBITMAP section = ::CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  const std::uint8_t pixels[8] = {3, 2, 1, 0, 1, 2, 3, 0};  // bottom row 3 2 1, top row 1 2 3
  std::memcpy(bits, pixels, sizeof pixels);
  TBitmap bitmap;
  bitmap.LoadFromClipboardData(kClipboardBitmap, reinterpret_cast<std::uintptr_t>(section), 0);
  ::DeleteObject(section);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl8Bit);
  const std::vector<std::uint32_t> expected{0xFF0000, 0x00FF00, 0x0000FF,
                                            0x0000FF, 0x00FF00, 0xFF0000};
  EXPECT_EQ(Pixels24(bitmap), expected);
}

TEST(LoadFromClipboardData, AnInvalidHandleLeavesThePictureAsItWas) {
  TBitmap bitmap;
  image_fixtures::Load(bitmap, image_fixtures::MakeSection({24, 2, 2}));
  ExpectFailure<EInvalidGraphic>([&] { bitmap.LoadFromClipboardData(kClipboardBitmap, 0x7777, 0); },
                                 "ビットマップイメージが不正です");
  EXPECT_EQ(bitmap.Width(), 2);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl24Bit);
}

TEST(Clipboard, OpensOnceForNestedOpensWithItsOwnWindowOrTheApplicationsWindow) {
  for (const bool withApplicationWindow : {false, true}) {
    const HWND application = withApplicationWindow
                                 ? ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                     nullptr, nullptr, nullptr)
                                 : nullptr;
    TClipboard::SetApplicationWindow(reinterpret_cast<std::uintptr_t>(application));
    TClipboard clipboard;
    clipboard.Open();
    const HWND owner = reinterpret_cast<HWND>(clipboard.OwnerWindow());
    ASSERT_NE(owner, nullptr);
    EXPECT_EQ(clipboard.OwnsWindow(), !withApplicationWindow);
    if (withApplicationWindow) {
      EXPECT_EQ(owner, application);
    }
    EXPECT_EQ(::GetOpenClipboardWindow(), owner);
    clipboard.Open();
    clipboard.GetDataHandle(kClipboardBitmap);  // opens and closes inside
    EXPECT_EQ(clipboard.OpenCount(), 2);
    clipboard.Close();
    EXPECT_EQ(::GetOpenClipboardWindow(), owner) << "an inner close gives nothing back";
    clipboard.Close();
    EXPECT_EQ(clipboard.OpenCount(), 0);
    EXPECT_EQ(clipboard.OwnerWindow(), 0u);
    EXPECT_FALSE(clipboard.OwnsWindow());
    EXPECT_EQ(::GetOpenClipboardWindow(), nullptr);
    if (!withApplicationWindow) {
      EXPECT_FALSE(::IsWindow(owner)) << "its own window is gone";
    }
    TClipboard::SetApplicationWindow(0);
    if (application != nullptr) ::DestroyWindow(application);
  }
}

TEST(ImportClipboardBitmap, TakesTheBitmapAnotherProgramPutOnTheClipboard) {
  struct Case {
    const wchar_t* arguments;
    bool monochrome;
    int width, height;
  };
  for (const Case c : {Case{L"bitmap 13 9", false, 13, 9}, Case{L"mono 21 6", true, 21, 6}}) {
    TClipboardSource source(L"clipboard_source.exe", c.arguments);
    ASSERT_TRUE(source.Started());
    ASSERT_TRUE(WaitForClipboardFormat(CF_BITMAP));
    TClipboard& clipboard = TheClipboard();
    ASSERT_TRUE(clipboard.HasDataFormat(kClipboardBitmap));
    EXPECT_TRUE(clipboard.HasDataFormat(TClipboard::PictureFormat())) << "a picture class reads it";
    TBitmap bitmap;
    // Wine's own clipboard service may hold the clipboard for a moment after another program
    // changed it: the import is tried again while the clipboard cannot be opened.
    for (int attempt = 0;; ++attempt) {
      try {
        ImportClipboardBitmap(clipboard, bitmap);
        break;
      } catch (const Exception& failure) {
        if (attempt == 50 || failure.Message() != kCannotOpen) throw;
        ::Sleep(20);
      }
    }
    EXPECT_EQ(clipboard.OpenCount(), 0);
    EXPECT_EQ(::GetOpenClipboardWindow(), nullptr);
    EXPECT_EQ(bitmap.Description().dsBm.bmBitsPixel, c.monochrome ? 1 : 32);
    EXPECT_EQ(Pixels24(bitmap), clipboard_pattern::Pixels(c.width, c.height, c.monochrome));
  }
}

TEST(ImportClipboardBitmap, OffersNothingForTextAndFailsWhileAnotherProgramHoldsTheClipboard) {
  {
    TClipboardSource source(L"clipboard_source.exe", L"text");
    ASSERT_TRUE(source.Started());
    ASSERT_TRUE(WaitForClipboardFormat(CF_UNICODETEXT));
    EXPECT_FALSE(TheClipboard().HasDataFormat(kClipboardBitmap));
    EXPECT_FALSE(TheClipboard().HasDataFormat(TClipboard::PictureFormat()));
  }
  TClipboardSource holder(L"clipboard_source.exe", L"hold");
  ASSERT_TRUE(holder.Started());
  TBitmap bitmap;
  ExpectFailure<Exception>([&] { ImportClipboardBitmap(TheClipboard(), bitmap); }, kCannotOpen,
                           "a clipboard another program holds");
  EXPECT_EQ(TheClipboard().OpenCount(), 0);
  EXPECT_FALSE(TheClipboard().OwnsWindow());
  EXPECT_TRUE(bitmap.Empty());
}

}  // namespace
