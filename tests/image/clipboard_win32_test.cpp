// The clipboard import on Windows: bitmaps handed over in-process, and the real clipboard filled
// or held by a second program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "clipboard_pattern.h"
#include "clipboard_source_process.h"
#include "image/bitmap.h"
#include "image/clipboard.h"
#include "rtl/exception.h"

namespace {

// The pixels of `bitmap` converted to 24 bits, as 0xRRGGBB, rows from the top.
std::vector<std::uint32_t> Pixels24(const TBitmap& source) {
  TBitmap copy;
  copy.Assign(&source);
  copy.SetPixelLayout(TPixelLayout::pl24Bit);
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < copy.Height(); ++y) {
    const std::uint8_t* row = copy.RowData(y);
    for (int x = 0; x < copy.Width(); ++x) {
      pixels.push_back(row[3 * x + 2] << 16 | row[3 * x + 1] << 8 | row[3 * x]);
    }
  }
  return pixels;
}

std::vector<std::uint32_t> Expected(int width, int height, bool monochrome) {
  std::vector<std::uint32_t> pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (monochrome) {
        pixels.push_back(clipboard_pattern::White(x, y) ? 0xFFFFFF : 0x000000);
      } else {
        pixels.push_back(clipboard_pattern::Colour(x, y));
      }
    }
  }
  return pixels;
}

// Wine's own clipboard service may hold the clipboard for a moment after another program
// changed it: the import is tried again while the clipboard cannot be opened.
void ImportWhenFree(TBitmap& bitmap) {
  for (int attempt = 0;; ++attempt) {
    try {
      ImportClipboardBitmap(TheClipboard(), bitmap);
      return;
    } catch (const Exception& failure) {
      if (attempt == 50 || failure.Message() != "クリップボードを開くことができません") throw;
      ::Sleep(20);
    }
  }
}

TEST(LoadFromClipboardData, CopiesADeviceBitmapIntoTheDeviceDependentForm) {
  struct TCase {
    const char* What;
    bool Monochrome;
    int Width;
    int Height;
  };
  const TCase cases[] = {{"colour", false, 7, 5}, {"monochrome", true, 19, 4}, {"one pixel", false, 1, 1}};
  for (const TCase& c : cases) {
    const HDC screen = ::GetDC(nullptr);
    HBITMAP handle = nullptr;
    const std::vector<std::uint32_t> expected = Expected(c.Width, c.Height, c.Monochrome);
    if (c.Monochrome) {
      const int rowLength = ((c.Width + 15) / 16) * 2;
      std::vector<std::uint8_t> bits(static_cast<std::size_t>(rowLength * c.Height));
      for (int y = 0; y < c.Height; ++y) {
        for (int x = 0; x < c.Width; ++x) {
          if (clipboard_pattern::White(x, y)) bits[y * rowLength + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        }
      }
      handle = ::CreateBitmap(c.Width, c.Height, 1, 1, bits.data());
    } else {
      handle = ::CreateCompatibleBitmap(screen, c.Width, c.Height);
      BITMAPINFO info{};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), c.Width, -c.Height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      std::vector<std::uint32_t> bits(expected);
      ::SetDIBits(screen, handle, 0, static_cast<UINT>(c.Height), bits.data(), &info, DIB_RGB_COLORS);
    }
    ::ReleaseDC(nullptr, screen);

    TBitmap bitmap;
    // A core-layout mark from an earlier picture does not survive the import.
    TBitmapInfoHeader header{40, 1, 1, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    bitmap.ImageLoaded(TRasterBitmap::CreateSection(header, nullptr, {}), nullptr, true);
    int changes = 0;
    bitmap.SetOnChange([&](TGraphic&) { ++changes; });
    bitmap.LoadFromClipboardData(kClipboardBitmap, reinterpret_cast<std::uintptr_t>(handle), 0);
    ::DeleteObject(handle);  // the copy does not depend on the handle

    EXPECT_EQ(bitmap.Width(), c.Width) << c.What;
    EXPECT_EQ(bitmap.Height(), c.Height) << c.What;
    EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::plDevice) << c.What;
    EXPECT_EQ(bitmap.Description().dsBm.bmBitsPixel, c.Monochrome ? 1 : 32) << c.What;
    EXPECT_FALSE(bitmap.Image().FromCoreHeader()) << c.What;
    EXPECT_EQ(changes, 1) << c.What;
    EXPECT_EQ(Pixels24(bitmap), expected) << c.What;
  }
}

TEST(LoadFromClipboardData, ADIBSectionKeepsItsLayout) {
  BITMAPINFO* info = nullptr;
  std::vector<std::uint8_t> block(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  info = reinterpret_cast<BITMAPINFO*>(block.data());
  info->bmiHeader = {sizeof(BITMAPINFOHEADER), 3, 2, 1, 8, BI_RGB, 0, 0, 0, 4, 0};
  const RGBQUAD table[4] = {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  std::memcpy(info->bmiColors, table, sizeof table);
  void* bits = nullptr;
  const HBITMAP section = ::CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
  ASSERT_NE(section, nullptr);
  // Bottom-up rows of 4 bytes: bottom row 3 2 1, top row 1 2 3.
  const std::uint8_t pixels[8] = {3, 2, 1, 0, 1, 2, 3, 0};
  std::memcpy(bits, pixels, sizeof pixels);

  TBitmap bitmap;
  bitmap.LoadFromClipboardData(kClipboardBitmap, reinterpret_cast<std::uintptr_t>(section), 0);
  ::DeleteObject(section);
  EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::pl8Bit);
  EXPECT_EQ(Pixels24(bitmap),
            (std::vector<std::uint32_t>{0xFF0000, 0x00FF00, 0x0000FF, 0x0000FF, 0x00FF00, 0xFF0000}));
}

TEST(LoadFromClipboardData, AnInvalidHandleLeavesThePictureAsItWas) {
  TBitmap bitmap;
  TBitmapInfoHeader header{40, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  bitmap.ImageLoaded(TRasterBitmap::CreateSection(header, nullptr, {}), nullptr, false);
  try {
    bitmap.LoadFromClipboardData(kClipboardBitmap, 0x7777, 0);
    ADD_FAILURE() << "an invalid handle was taken";
  } catch (const EInvalidGraphic& failure) {
    EXPECT_EQ(failure.Message(), "ビットマップイメージが不正です");
  }
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

// The whole import against pictures another program put on the clipboard.
TEST(ImportClipboardBitmap, TakesTheBitmapAnotherProgramPutOnTheClipboard) {
  struct TCase {
    const wchar_t* Arguments;
    bool Monochrome;
    int Width;
    int Height;
  };
  const TCase cases[] = {{L"bitmap 13 9", false, 13, 9}, {L"mono 21 6", true, 21, 6}};
  for (const TCase& c : cases) {
    TClipboardSource source(L"clipboard_source.exe", c.Arguments);
    ASSERT_TRUE(source.Started());
    ASSERT_TRUE(WaitForClipboardFormat(CF_BITMAP));
    TClipboard& clipboard = TheClipboard();
    ASSERT_TRUE(clipboard.HasDataFormat(kClipboardBitmap));
    EXPECT_TRUE(clipboard.HasDataFormat(TClipboard::PictureFormat()))
        << "a picture class reads the bitmap format";
    TBitmap bitmap;
    ImportWhenFree(bitmap);
    EXPECT_EQ(clipboard.OpenCount(), 0);
    EXPECT_EQ(::GetOpenClipboardWindow(), nullptr);
    EXPECT_EQ(bitmap.PixelLayout(), TPixelLayout::plDevice);
    EXPECT_EQ(bitmap.Description().dsBm.bmBitsPixel, c.Monochrome ? 1 : 32);
    EXPECT_EQ(Pixels24(bitmap), Expected(c.Width, c.Height, c.Monochrome));
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
  try {
    ImportClipboardBitmap(TheClipboard(), bitmap);
    ADD_FAILURE() << "opened a clipboard another program holds";
  } catch (const Exception& failure) {
    EXPECT_EQ(failure.Message(), "クリップボードを開くことができません");
  }
  EXPECT_EQ(TheClipboard().OpenCount(), 0);
  EXPECT_FALSE(TheClipboard().OwnsWindow());
  EXPECT_TRUE(bitmap.Empty());
}

}  // namespace
