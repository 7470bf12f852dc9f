// The main window as its description declares it.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/chart_background.h"
#include "app_fixture.h"
#include "dialog_driver.h"
#include "platform/text.h"
#include "plugins/spi_exceptions.h"

namespace app_test {
namespace {

struct TControlLayout {
  const char* Name;
  const char* ClassName;
  LONG Left, Top, Width, Height;
  const char* Caption;
  int TabOrder;
  bool Visible;
};

const TControlLayout Controls[] = {
    {"Image1", "TImage", 0, 0, 241, 185, "", -1, true},
    {"Image2", "TImage", 0, 200, 537, 288, "", -1, true},
    {"Panel1", "TPanel", 0, 0, 225, 233, "Panel1", 0, false},
    {"Chart1", "TChart", 1, 1, 223, 231, "", 0, false},
    {"CalcConditionRadioGroup", "TRadioGroup", 400, 8, 137, 177, "解析条件", 1, true},
    {"QuitButton", "TButton", 248, 168, 75, 25, "終了", 2, true},
    {"LoadButton", "TButton", 248, 8, 145, 25, "ファイルから読みこむ", 3, true},
    {"ClipButton", "TButton", 248, 40, 145, 25, "クリップボードから読みこむ", 4, true},
    {"CalcButton", "TButton", 248, 72, 145, 25, "解析する", 5, true},
    {"SaveButton", "TButton", 248, 104, 145, 25, "ファイルに保存する", 6, true},
    {"ToClipButton", "TButton", 248, 136, 145, 25, "クリップボードに転送する", 7, false},
};

// Left, top, width and height of a window in its parent's client area (or of a top-level
// window on the screen).
std::vector<LONG> Place(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

TEST_F(MainWindowTest, StartsEmptyAndEveryControlStandsWhereTheDescriptionPutsIt) {
  ASSERT_EQ(tintsight1Form, Form);
  ASSERT_TRUE(Form->SourceBitmap && Form->ResultBitmap);
  EXPECT_TRUE(Form->SourceBitmap->Empty() && Form->ResultBitmap->Empty());
  EXPECT_STREQ(Form->SourceBitmap->ClassName(), "TSPIBitmap");
  EXPECT_STREQ(Form->ResultBitmap->ClassName(), "TBitmap");
  EXPECT_EQ(Shown(Form->Image1), nullptr);
  EXPECT_EQ(Shown(Form->Image2), nullptr);
  EXPECT_EQ(Form->CalcConditionRadioGroup->ItemIndex(), 0);
  EXPECT_EQ(::GetFocus(), Form->CalcConditionRadioGroup->ItemHandle(0));

  for (const TControlLayout& expected : Controls) {
    SCOPED_TRACE(expected.Name);
    auto* control = dynamic_cast<TControl*>(Form->FindComponent(expected.Name));
    ASSERT_NE(control, nullptr);
    const std::vector<LONG> place = {expected.Left, expected.Top, expected.Width, expected.Height};
    EXPECT_STREQ(control->ClassName(), expected.ClassName);
    EXPECT_EQ((std::vector<LONG>{control->Left(), control->Top(), control->Width(), control->Height()}),
              place);
    EXPECT_EQ(control->Caption(), expected.Caption);
    EXPECT_EQ(control->TabOrder(), expected.TabOrder);
    EXPECT_EQ(control->Visible(), expected.Visible);
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
      EXPECT_EQ(::IsWindowVisible(windowed->Handle()) != FALSE, expected.Visible);
      EXPECT_EQ(Place(windowed->Handle()), place) << "on the screen";
      if (dynamic_cast<TButton*>(control)) {
        EXPECT_EQ(WindowText(windowed->Handle()), expected.Caption);
      }
    }
  }
  EXPECT_EQ(Form->Chart1->Parent(), Form->Panel1);
  EXPECT_EQ(Form->Series1->ParentChart(), Form->Chart1);
  EXPECT_TRUE(Form->Image1->Stretch() && Form->Image2->Stretch());
  EXPECT_FALSE(Form->ToClipButton->OnClick()) << "the hidden button has no operation";

  EXPECT_EQ(Place(Form->Handle()), (std::vector<LONG>{296, 36, 552, 525}));
  EXPECT_EQ(WindowText(Form->Handle()), "Tintsight");
  const auto style = ::GetWindowLongW(Form->Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_THICKFRAME, 0);

  const TFont& font = Form->Font();
  EXPECT_EQ(font.Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(font.Height(), -12);
  EXPECT_EQ(font.Charset(), SHIFTJIS_CHARSET);
  const std::vector<std::string> items = {"第1色\u3000赤", "第2色\u3000緑", "第3色\u3000青",
                                          "第1色\u3000赤(明度分配)", "第2色\u3000緑(明度分配)",
                                          "第3色\u3000青(明度分配)"};
  EXPECT_EQ(Form->CalcConditionRadioGroup->Items(), items);
  for (int i = 0; i < 6; ++i) {
    const HWND item = Form->CalcConditionRadioGroup->ItemHandle(i);
    EXPECT_EQ(WindowText(item), items[static_cast<std::size_t>(i)]);
    EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(item, WM_GETFONT, 0, 0)), font.Handle());
  }

  EXPECT_EQ(Form->SPIs->SearchOptions(), TSPISearchOptions::All());
  EXPECT_EQ(SusiePlugins(), Form->SPIs);
  auto* back = dynamic_cast<TBitmap*>(Form->Chart1->BackImage().Graphic());
  ASSERT_NE(back, nullptr) << "the stored background picture was not read";
  EXPECT_EQ(back->Width(), kChartBackgroundWidth);
  EXPECT_EQ(back->Height(), kChartBackgroundHeight);
  EXPECT_EQ(back->PixelLayout(), TPixelLayout::pl24Bit);

  // Tab follows the tab order and never reaches the hidden button.
  EXPECT_EQ(Form->TabStops(),
            (std::vector<HWND>{Form->CalcConditionRadioGroup->ItemHandle(0), Form->QuitButton->Handle(),
                               Form->LoadButton->Handle(), Form->ClipButton->Handle(),
                               Form->CalcButton->Handle(), Form->SaveButton->Handle()}));

  // Resizing the window moves nothing.
  for (const SIZE size : {SIZE{900, 700}, SIZE{300, 200}}) {
    ::SetWindowPos(Form->Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    Application.ProcessMessages();
    for (const TControlLayout& expected : Controls) {
      if (auto* windowed = dynamic_cast<TWinControl*>(Form->FindComponent(expected.Name))) {
        EXPECT_EQ(Place(windowed->Handle()),
                  (std::vector<LONG>{expected.Left, expected.Top, expected.Width, expected.Height}))
            << expected.Name << " at width " << size.cx;
      }
    }
  }
}

// The plug-in collection searches its places when the description has been read, so a plug-in
// in the current folder is there when the window is first used: a PNG loads through it.
TEST(MainWindowPlugins, APlugInInTheCurrentFolderLoadsAPng) {
  char temp[MAX_PATH] = {};
  ::GetTempPathA(MAX_PATH, temp);
  const std::string folder = std::string(temp) + "tintsight-plugins-" + std::to_string(::GetCurrentProcessId());
  ::CreateDirectoryA(folder.c_str(), nullptr);
  wchar_t self[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring plugin(self);
  plugin = plugin.substr(0, plugin.find_last_of(L"\\/") + 1) + L"..\\..\\bin\\SusiePlugin\\tsimage.spi";
  const std::string copy = folder + "\\tsimage.spi";
  ASSERT_TRUE(::CopyFileW(plugin.c_str(), platform::Widen(copy).c_str(), FALSE)) << "no bundled plug-in";
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  ::SetCurrentDirectoryA(folder.c_str());
  {
    TApplication application;
    application.CreateForm(tintsight1Form);
    Ttintsight1Form& form = *tintsight1Form;
    EXPECT_GE(form.SPIs->Count(), 1) << "the search ran while the window was made";
    form.Show();
    std::string png = std::string("Z:") + TS_SOURCE_DIR + "/samples/photo-gradient.png";
    std::replace(png.begin(), png.end(), '/', '\\');
    TDialogDriver driver({TDialogDriver::ChooseFile(png)});
    ::SendMessageW(form.LoadButton->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form.SourceBitmap->Width(), 256);
    EXPECT_EQ(form.SourceBitmap->Height(), 160);
    ASSERT_NE(form.Image1->Picture().Graphic(), nullptr);
    EXPECT_STREQ(form.Image1->Picture().Graphic()->ClassName(), "TSPIBitmap");
    tintsight1Form = nullptr;
  }
  ::SetCurrentDirectoryA(previous);
  ::DeleteFileA(copy.c_str());
  ::RemoveDirectoryA(folder.c_str());
}

// Making the window fails when its plug-in collection cannot be made (one exists already): the
// global stays null and the application's handling shows the failure, as the entry point does.
TEST(MainWindowConstruction, AFailureLeavesTheGlobalNullAndIsShownInTheErrorBox) {
  TApplication application;
  application.SetTitle("Tintsight");
  TSPIs existing(nullptr);
  TDialogDriver driver({TDialogDriver::PressButton(IDOK)});
  try {
    application.CreateForm(tintsight1Form);
    ADD_FAILURE() << "the window was made";
  } catch (...) {
    application.HandleException();
  }
  EXPECT_EQ(tintsight1Form, nullptr);
  EXPECT_EQ(application.MainForm(), nullptr);
  const auto handled = driver.Handled();
  ASSERT_EQ(handled.size(), 1u);
  EXPECT_EQ(handled[0].Title, "Tintsight");
  EXPECT_EQ(handled[0].Text, "TSPIs は複数生成できません.");
}

}  // namespace
}  // namespace app_test
