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

struct TControlSpec {
  const char* Name;
  const char* ClassName;
  int Left, Top, Width, Height;
  const char* Caption;
  int TabOrder;
  bool Visible;
};

const TControlSpec Controls[] = {
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

RECT ClientRectOf(HWND window) {
  RECT rect{};
  ::GetWindowRect(window, &rect);
  ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

TEST_F(MainWindowTest, EveryControlStandsWhereTheDescriptionPutsIt) {
  ASSERT_EQ(tintsight1Form, Form);
  for (const TControlSpec& spec : Controls) {
    auto* control = dynamic_cast<TControl*>(Form->FindComponent(spec.Name));
    ASSERT_NE(control, nullptr) << spec.Name;
    EXPECT_STREQ(control->ClassName(), spec.ClassName) << spec.Name;
    EXPECT_EQ((std::vector<int>{control->Left(), control->Top(), control->Width(), control->Height()}),
              (std::vector<int>{spec.Left, spec.Top, spec.Width, spec.Height}))
        << spec.Name;
    EXPECT_EQ(control->Caption(), spec.Caption) << spec.Name;
    EXPECT_EQ(control->TabOrder(), spec.TabOrder) << spec.Name;
    EXPECT_EQ(control->Visible(), spec.Visible) << spec.Name;
    if (auto* windowed = dynamic_cast<TWinControl*>(control)) {
      const HWND window = windowed->Handle();
      EXPECT_EQ(::IsWindowVisible(window) != FALSE, spec.Visible) << spec.Name;
      const RECT rect = ClientRectOf(window);
      EXPECT_EQ((std::vector<LONG>{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top}),
                (std::vector<LONG>{spec.Left, spec.Top, spec.Width, spec.Height}))
          << spec.Name << " on the screen";
      if (std::string(spec.ClassName) == "TButton") {
        EXPECT_EQ(WindowText(window), spec.Caption) << spec.Name;
      }
    }
  }
  EXPECT_EQ(Form->Chart1->Parent(), Form->Panel1);
  EXPECT_EQ(Form->Series1->ParentChart(), Form->Chart1);
  EXPECT_EQ(Form->Image1->Stretch(), true);
  EXPECT_EQ(Form->Image2->Stretch(), true);
  EXPECT_FALSE(Form->ToClipButton->OnClick()) << "the hidden button has no operation";
}

TEST_F(MainWindowTest, TheWindowItsFontAndItsRadioItems) {
  RECT outer{};
  ::GetWindowRect(Form->Handle(), &outer);
  EXPECT_EQ((std::vector<LONG>{outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top}),
            (std::vector<LONG>{296, 36, 552, 525}));
  EXPECT_EQ(WindowText(Form->Handle()), "Tintsight");
  const auto style = ::GetWindowLongW(Form->Handle(), GWL_STYLE);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  EXPECT_NE(style & WS_THICKFRAME, 0);
  EXPECT_EQ(::GetMenu(Form->Handle()), nullptr);
  EXPECT_EQ(::GetWindowLongW(Form->Handle(), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
  EXPECT_EQ(Form->Color(), clBtnFace);

  const TFont& font = Form->Font();
  EXPECT_EQ(font.Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(font.Height(), -12);
  EXPECT_EQ(font.Charset(), SHIFTJIS_CHARSET);
  EXPECT_EQ(font.Color(), clWindowText);
  EXPECT_TRUE(font.Style().empty());
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(Form->CalcButton->Handle(), WM_GETFONT, 0, 0)),
            font.Handle());

  const std::vector<std::string> items = {"第1色\u3000赤", "第2色\u3000緑", "第3色\u3000青",
                                          "第1色\u3000赤(明度分配)", "第2色\u3000緑(明度分配)",
                                          "第3色\u3000青(明度分配)"};
  EXPECT_EQ(Form->CalcConditionRadioGroup->Items(), items);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(WindowText(Form->CalcConditionRadioGroup->ItemHandle(i)), items[static_cast<std::size_t>(i)]);
  }
}

TEST_F(MainWindowTest, NonVisualComponentsAndTheHiddenChartKeepTheirSettings) {
  EXPECT_TRUE(Form->SPIs->AutoSearch());
  EXPECT_EQ(Form->SPIs->SearchOptions(), TSPISearchOptions::All());
  EXPECT_EQ(SusiePlugins(), Form->SPIs);
  for (TOpenDialog* dialog : {Form->OpenDialog, static_cast<TOpenDialog*>(Form->SaveDialog)}) {
    EXPECT_EQ(dialog->Options(),
              (std::vector<TOpenOption>{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing}));
    EXPECT_EQ(dialog->Filter(), "");
    EXPECT_EQ(dialog->DefaultExt(), "");
    EXPECT_EQ(dialog->InitialDir(), "");
    EXPECT_EQ(dialog->Title(), "");
  }
  ASSERT_NE(Form->Chart1->Setting("Title.Text.Strings"), nullptr);
  EXPECT_EQ(PropertyLines(*Form->Chart1->Setting("Title.Text.Strings"), ""),
            std::vector<std::string>{"Color Distribution"});
  EXPECT_EQ(PropertyInt(*Form->Chart1->Setting("Title.Font.Height"), ""), -16);
  EXPECT_EQ(PropertySet(*Form->Chart1->Setting("Title.Font.Style"), ""),
            std::vector<std::string>{"fsBold"});
  EXPECT_EQ(PropertyReal(*Form->Chart1->Setting("LeftAxis.Maximum"), ""), 948.0);
  EXPECT_EQ(PropertyBool(*Form->Chart1->Setting("View3D"), ""), false);
  EXPECT_EQ(PropertyIdent(*Form->Series1->Setting("Pointer.Style"), ""), "psRectangle");

  auto* back = dynamic_cast<TBitmap*>(Form->Chart1->BackImage().Graphic());
  ASSERT_NE(back, nullptr) << "the stored background picture was read";
  EXPECT_EQ(back->Width(), kChartBackgroundWidth);
  EXPECT_EQ(back->Height(), kChartBackgroundHeight);
  EXPECT_EQ(back->PixelLayout(), TPixelLayout::pl24Bit);
  EXPECT_EQ(back->Description().dsBmih.biXPelsPerMeter, 2834);
  const std::vector<std::uint8_t> stored = ChartBackgroundData();
  EXPECT_EQ(stored.size(), 8u + 4u + 73782u);
  // Grey tones: blue, green and red agree.
  const TPicture24 pixels = PixelsOf(*back);
  std::size_t grey = 0;
  for (const std::uint32_t pixel : pixels.Pixels) {
    if ((pixel & 0xFF) == (pixel >> 8 & 0xFF) && (pixel & 0xFF) == (pixel >> 16)) ++grey;
  }
  EXPECT_EQ(grey, pixels.Pixels.size());
}

TEST_F(MainWindowTest, StartsEmptyWithTheFirstConditionAndTheFocusOnIt) {
  EXPECT_EQ(Form->Image1->Picture().Graphic(), nullptr);
  EXPECT_EQ(Form->Image2->Picture().Graphic(), nullptr);
  ASSERT_NE(Form->SourceBitmap, nullptr);
  ASSERT_NE(Form->ResultBitmap, nullptr);
  EXPECT_TRUE(Form->SourceBitmap->Empty());
  EXPECT_TRUE(Form->ResultBitmap->Empty());
  EXPECT_STREQ(Form->SourceBitmap->ClassName(), "TSPIBitmap");
  EXPECT_STREQ(Form->ResultBitmap->ClassName(), "TBitmap");
  EXPECT_EQ(Form->CalcConditionRadioGroup->ItemIndex(), 0);
  EXPECT_EQ(::GetFocus(), Form->CalcConditionRadioGroup->ItemHandle(0));
}

TEST_F(MainWindowTest, TabFollowsTheTabOrderAndNeverReachesTheHiddenButton) {
  const std::vector<HWND> expected = {Form->CalcConditionRadioGroup->ItemHandle(0),
                                      Form->QuitButton->Handle(), Form->LoadButton->Handle(),
                                      Form->ClipButton->Handle(), Form->CalcButton->Handle(),
                                      Form->SaveButton->Handle()};
  EXPECT_EQ(Form->TabStops(), expected);
  for (std::size_t i = 1; i <= expected.size(); ++i) {
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_TAB, 1);
    Application.ProcessMessages();
    EXPECT_EQ(::GetFocus(), expected[i % expected.size()]) << "after " << i << " presses";
  }
  // Nor by the mouse: at its place the window holds nothing visible of it.
  POINT inside{248 + 10, 136 + 10};
  EXPECT_NE(::ChildWindowFromPointEx(Form->Handle(), inside, CWP_SKIPINVISIBLE),
            Form->ToClipButton->Handle());
}

TEST_F(MainWindowTest, ResizingTheWindowMovesNothing) {
  std::vector<RECT> before;
  for (const TControlSpec& spec : Controls) {
    if (auto* windowed = dynamic_cast<TWinControl*>(Form->FindComponent(spec.Name))) {
      before.push_back(ClientRectOf(windowed->Handle()));
    }
  }
  for (const SIZE size : {SIZE{900, 700}, SIZE{300, 200}}) {
    ::SetWindowPos(Form->Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    Application.ProcessMessages();
    std::size_t i = 0;
    for (const TControlSpec& spec : Controls) {
      if (auto* windowed = dynamic_cast<TWinControl*>(Form->FindComponent(spec.Name))) {
        const RECT now = ClientRectOf(windowed->Handle());
        EXPECT_TRUE(::EqualRect(&now, &before[i++])) << spec.Name << " moved at " << size.cx;
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
  TDialogDriver driver({TDialogDriver::PressOk()});
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
