// "クリップボードから読みこむ" against pictures that a second program put on the clipboard.
#include <gtest/gtest.h>

#include "app_fixture.h"
#include "dialog_driver.h"

namespace app_test {
namespace {

// The clipboard test's second program (beside the image tests), which puts `arguments` on the
// clipboard and keeps it there while this object lives.
class TClipboardSource {
 public:
  explicit TClipboardSource(const std::wstring& arguments) {
    const std::wstring tag = std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++Count_);
    const std::wstring readyName = L"TintsightAppClipboardReady-" + tag;
    const std::wstring doneName = L"TintsightAppClipboardDone-" + tag;
    Ready_ = ::CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    Done_ = ::CreateEventW(nullptr, TRUE, FALSE, doneName.c_str());
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring folder(self);
    folder = folder.substr(0, folder.find_last_of(L"\\/") + 1);
    const std::wstring program = folder + L"..\\image\\clipboard_source.exe";
    std::wstring command = L"\"" + program + L"\" " + arguments + L" " + readyName + L" " + doneName;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &Process_)) {
      const HANDLE waits[] = {Ready_, Process_.hProcess};
      Started_ = ::WaitForMultipleObjects(2, waits, FALSE, 20000) == WAIT_OBJECT_0;
    }
  }
  ~TClipboardSource() {
    ::SetEvent(Done_);
    if (Process_.hProcess != nullptr) {
      ::WaitForSingleObject(Process_.hProcess, 20000);
      ::CloseHandle(Process_.hThread);
      ::CloseHandle(Process_.hProcess);
    }
    ::CloseHandle(Ready_);
    ::CloseHandle(Done_);
  }
  bool Started() const { return Started_; }

 private:
  static inline int Count_ = 0;
  HANDLE Ready_ = nullptr;
  HANDLE Done_ = nullptr;
  PROCESS_INFORMATION Process_{};
  bool Started_ = false;
};

bool WaitForFormat(UINT format) {
  for (int i = 0; i < 200 && !::IsClipboardFormatAvailable(format); ++i) ::Sleep(20);
  return ::IsClipboardFormatAvailable(format) != 0;
}

class ClipboardOperationTest : public MainWindowTest {
 protected:
  const TBitmap* Upper() { return dynamic_cast<const TBitmap*>(Form->Image1->Picture().Graphic()); }

  // Clicks "クリップボードから読みこむ" until the upper box changes: Wine's own clipboard service
  // may hold the clipboard for a moment after another program changed it, and the operation
  // then ends silently.
  void ClickUntilLoaded() {
    const TBitmap* before = Upper();
    for (int attempt = 0; attempt < 20 && Upper() == before; ++attempt) {
      if (attempt > 0) ::Sleep(50);
      Click(Form->ClipButton);
    }
  }
};

TEST_F(ClipboardOperationTest, ABitmapBecomesTheLoadedPictureAndAnalysesLikeAnyOther) {
  TClipboardSource source(L"bitmap 9 7");
  ASSERT_TRUE(source.Started());
  ASSERT_TRUE(WaitForFormat(CF_BITMAP));
  TDialogDriver driver({});
  ClickUntilLoaded();
  ASSERT_NE(Upper(), nullptr);
  EXPECT_EQ(Upper()->Width(), 9);
  EXPECT_EQ(Upper()->Height(), 7);
  EXPECT_EQ(Form->SourceBitmap->PixelLayout(), TPixelLayout::plDevice);

  SelectCondition(1);
  Click(Form->CalcButton);
  const TPicture24 loaded = PixelsOf(*Form->SourceBitmap);
  EXPECT_EQ(PixelsOf(*Form->ResultBitmap).Pixels, Analysed(loaded, 1).Pixels);
  EXPECT_TRUE(driver.Unexpected().empty());
}

TEST_F(ClipboardOperationTest, AMonochromeBitmapAnalysesToBlackAndWhite) {
  TClipboardSource source(L"mono 10 3");
  ASSERT_TRUE(source.Started());
  ASSERT_TRUE(WaitForFormat(CF_BITMAP));
  ClickUntilLoaded();
  EXPECT_EQ(Form->SourceBitmap->Description().dsBm.bmBitsPixel, 1);
  SelectCondition(3);  // the mean of green and blue: black and white stay as they are
  Click(Form->CalcButton);
  for (const std::uint32_t pixel : PixelsOf(*Form->ResultBitmap).Pixels) {
    EXPECT_TRUE(pixel == 0 || pixel == 0xFFFFFF) << std::hex << pixel;
  }
}

TEST_F(ClipboardOperationTest, TextOnlyOrAClipboardHeldElsewhereChangesNothingSilently) {
  const TPicture24 picture = Pattern(2, 2);
  const std::string path = TempPath("kept.bmp");
  WriteFile(path, BmpBytes(picture));
  {
    TDialogDriver driver({TDialogDriver::ChooseFile(path)});
    Click(Form->LoadButton);
  }
  const TBitmap* before = Upper();
  ASSERT_NE(before, nullptr);
  for (const wchar_t* mode : {L"text", L"hold"}) {
    TClipboardSource source(mode);
    ASSERT_TRUE(source.Started());
    TDialogDriver driver({});
    Click(Form->ClipButton);
    EXPECT_TRUE(driver.Unexpected().empty());
    EXPECT_EQ(Upper(), before);
    EXPECT_EQ(PixelsOf(*Form->SourceBitmap).Pixels, picture.Pixels);
  }
}

}  // namespace
}  // namespace app_test
