#include "ui/form.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_driver.h"
#include "rtl/exception.h"
#include "ui/application.h"
#include "ui/button.h"
#include "ui/panel.h"
#include "ui/radio_group.h"

namespace {

using TProperties = std::vector<std::pair<std::string, TPropertyValue>>;

TObjectDescription Control(const TPublishedClass& objectClass, const char* name, int left, int top,
                           int width, int height, TProperties more,
                           std::vector<TObjectDescription> children = {}) {
  TProperties properties{{"Left", std::int64_t{left}},
                         {"Top", std::int64_t{top}},
                         {"Width", std::int64_t{width}},
                         {"Height", std::int64_t{height}}};
  for (auto& property : more) properties.push_back(std::move(property));
  return {&objectClass, name, std::move(properties), std::move(children)};
}

// A window whose tab order differs from its creation order, with a container, a group, a hidden
// button and a button whose handler fails.
class TProbeForm : public TForm {
 public:
  TS_CLASS_NAME(TProbeForm)
  static const TPublishedClass& Published() {
    static const TPublishedClass entry{TComponentClass::Of<TProbeForm>(), &TForm::Published(), {},
                                       nullptr};
    return entry;
  }

  explicit TProbeForm(TComponent* owner) : TForm(owner) {
    ReadFormDescription(Published(), Description());
    BindField(Box, "Box");
    BindField(Inner, "Inner");
    BindField(Group, "Group");
    BindField(First, "First");
    BindField(Second, "Second");
    BindField(Hidden, "Hidden");
    BindField(Failing, "Failing");
  }

  TNotifyEvent MethodAddress(std::string_view name) override {
    if (name == "Clicked") return [this](TObject* sender) { Clicks.push_back(sender); };
    if (name == "Fail") return [](TObject*) { throw EWriteError("書けません"); };
    return TForm::MethodAddress(name);
  }

  static const TObjectDescription& Description() {
    static const TObjectDescription description{
        &Published(),
        "ProbeForm",
        {{"Left", std::int64_t{40}},
         {"Top", std::int64_t{30}},
         {"Width", std::int64_t{420}},
         {"Height", std::int64_t{300}},
         {"Caption", "Probe"},
         {"BorderIcons", TIdentSet{}},
         {"Font.Name", "ＭＳ Ｐゴシック"},
         {"Font.Height", std::int64_t{-12}},
         {"Font.Charset", TIdent{"SHIFTJIS_CHARSET"}}},
        {Control(TPanel::Published(), "Box", 10, 10, 150, 100,
                 {{"Caption", "Box"}, {"TabOrder", std::int64_t{3}}},
                 {Control(TButton::Published(), "Inner", 10, 10, 100, 25,
                          {{"Caption", "Inner"},
                           {"TabOrder", std::int64_t{0}},
                           {"OnClick", TIdent{"Clicked"}}})}),
         Control(TRadioGroup::Published(), "Group", 200, 10, 150, 120,
                 {{"Caption", "Group"},
                  // The index comes before the items it selects, as stored descriptions have it.
                  {"ItemIndex", std::int64_t{1}},
                  {"Items.Strings", TStringList{{"a", "b", "c"}}},
                  {"TabOrder", std::int64_t{1}}}),
         Control(TButton::Published(), "First", 10, 150, 100, 25,
                 {{"Caption", "First"}, {"TabOrder", std::int64_t{2}}, {"OnClick", TIdent{"Clicked"}}}),
         Control(TButton::Published(), "Second", 120, 150, 100, 25,
                 {{"Caption", "Second"}, {"TabOrder", std::int64_t{0}}, {"OnClick", TIdent{"Clicked"}}}),
         Control(TButton::Published(), "Hidden", 230, 150, 100, 25,
                 {{"Caption", "Hidden"},
                  {"TabOrder", std::int64_t{4}},
                  {"Visible", false},
                  {"OnClick", TIdent{"Clicked"}}}),
         Control(TButton::Published(), "Failing", 10, 190, 100, 25,
                 {{"Caption", "Failing"}, {"TabOrder", std::int64_t{5}}, {"OnClick", TIdent{"Fail"}}})}};
    return description;
  }

  TPanel* Box = nullptr;
  TButton* Inner = nullptr;
  TRadioGroup* Group = nullptr;
  TButton* First = nullptr;
  TButton* Second = nullptr;
  TButton* Hidden = nullptr;
  TButton* Failing = nullptr;
  std::vector<TObject*> Clicks;
};

class FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application.SetTitle("Probe");
    Application.CreateForm(Form);
    Form->Show();
    ::SetForegroundWindow(Form->Handle());
    Application.ProcessMessages();
  }

  // Posts a key to the focused window, as the keyboard would, and lets the loop handle it.
  void Press(WPARAM key, bool shift = false) {
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    ::SetKeyboardState(keys);
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 0xC0000001);
    Application.ProcessMessages();
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
  }

  TApplication Application;
  TProbeForm* Form = nullptr;
};

TEST_F(FormTest, TabVisitsShowingControlsByTabOrderAndStartsAtTheFirst) {
  const HWND expected[] = {Form->Second->Handle(), Form->Group->ItemHandle(1),
                           Form->First->Handle(), Form->Inner->Handle(), Form->Failing->Handle()};
  EXPECT_EQ(Form->TabStops(), std::vector<HWND>(std::begin(expected), std::end(expected)));

  // The window's first activation puts the focus on the first stop.
  EXPECT_EQ(::GetFocus(), expected[0]);
  for (std::size_t i = 1; i <= std::size(expected); ++i) {
    Press(VK_TAB);
    EXPECT_EQ(::GetFocus(), expected[i % std::size(expected)]) << "after " << i << " Tab presses";
  }
  // Shift+Tab goes back, wrapping around.
  Press(VK_TAB, true);
  EXPECT_EQ(::GetFocus(), expected[std::size(expected) - 1]);
  EXPECT_EQ(Form->Clicks.size(), 0u) << "moving the focus clicks nothing";
}

TEST_F(FormTest, ArrowKeysMoveTheSelectionInsideTheGroup) {
  ASSERT_EQ(Form->Group->ItemIndex(), 1);
  ::SetFocus(Form->Group->ItemHandle(1));
  struct TCase {
    WPARAM Key;
    int Selected;
  };
  const TCase cases[] = {{VK_DOWN, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_LEFT, 1}, {VK_RIGHT, 2}};
  for (const TCase& c : cases) {
    Press(c.Key);
    EXPECT_EQ(Form->Group->ItemIndex(), c.Selected) << "key " << c.Key;
    EXPECT_EQ(::GetFocus(), Form->Group->ItemHandle(c.Selected));
    for (int i = 0; i < 3; ++i) {
      const auto check = ::SendMessageW(Form->Group->ItemHandle(i), BM_GETCHECK, 0, 0);
      EXPECT_EQ(check == BST_CHECKED, i == c.Selected) << "item " << i;
    }
  }
  // Tab leaves the group and comes back to its selected item.
  Press(VK_TAB);
  Press(VK_TAB, true);
  EXPECT_EQ(::GetFocus(), Form->Group->ItemHandle(2));
}

TEST_F(FormTest, ClickAndEnterCallTheHandlerWithTheButtonAsSender) {
  ::SendMessageW(Form->First->Handle(), BM_CLICK, 0, 0);
  ::SetFocus(Form->Inner->Handle());
  Press(VK_RETURN);
  // A mouse click on the radio group's item selects it without any button handler.
  ::SendMessageW(Form->Group->ItemHandle(0), BM_CLICK, 0, 0);
  EXPECT_EQ(Form->Clicks, (std::vector<TObject*>{Form->First, Form->Inner}));
  EXPECT_EQ(Form->Group->ItemIndex(), 0);
}

TEST_F(FormTest, AFailingHandlerShowsTheErrorBoxAndTheWindowGoesOn) {
  {
    TDialogDriver driver({TDialogDriver::PressOk()});
    ::SendMessageW(Form->Failing->Handle(), BM_CLICK, 0, 0);
    const auto handled = driver.Handled();
    ASSERT_EQ(handled.size(), 1u);
    EXPECT_EQ(handled[0].Title, "Probe");
    EXPECT_EQ(handled[0].Text, "書けません.");
  }
  ::SendMessageW(Form->Second->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(Form->Clicks, (std::vector<TObject*>{Form->Second}));
}

TEST_F(FormTest, ResizingTheWindowMovesNothing) {
  const auto where = [](HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    ::MapWindowPoints(nullptr, ::GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return std::vector<LONG>{rect.left, rect.top, rect.right, rect.bottom};
  };
  const HWND controls[] = {Form->Box->Handle(), Form->Inner->Handle(), Form->Group->Handle(),
                           Form->Group->ItemHandle(2), Form->First->Handle(), Form->Failing->Handle()};
  std::vector<std::vector<LONG>> before;
  for (HWND control : controls) before.push_back(where(control));
  for (const SIZE size : {SIZE{700, 600}, SIZE{200, 150}}) {
    ::SetWindowPos(Form->Handle(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
    Application.ProcessMessages();
    EXPECT_EQ(Form->Width(), size.cx);
    for (std::size_t i = 0; i < std::size(controls); ++i) {
      EXPECT_EQ(where(controls[i]), before[i]) << "control " << i << " at " << size.cx;
    }
  }
}

TEST_F(FormTest, EveryControlTakesTheFormsFontAndTheFrameFollowsTheBorderIcons) {
  const auto font = reinterpret_cast<HFONT>(::SendMessageW(Form->First->Handle(), WM_GETFONT, 0, 0));
  EXPECT_EQ(font, Form->Font().Handle());
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(Form->Inner->Handle(), WM_GETFONT, 0, 0)), font);
  EXPECT_EQ(reinterpret_cast<HFONT>(::SendMessageW(Form->Group->ItemHandle(0), WM_GETFONT, 0, 0)),
            font);
  LOGFONTW described{};
  ::GetObjectW(font, sizeof described, &described);
  EXPECT_EQ(described.lfHeight, -12);
  EXPECT_EQ(described.lfCharSet, SHIFTJIS_CHARSET);
  EXPECT_STREQ(described.lfFaceName, L"ＭＳ Ｐゴシック");

  const auto style = ::GetWindowLongW(Form->Handle(), GWL_STYLE);
  EXPECT_EQ(style & WS_SYSMENU, 0) << "no title-bar buttons, no system menu";
  EXPECT_NE(style & WS_THICKFRAME, 0) << "a sizeable frame";
  EXPECT_EQ(WindowText(Form->Handle()), "Probe");
}

TEST_F(FormTest, ClosingTheMainWindowEndsTheLoopAfterWhatIsQueued) {
  ::PostMessageW(Form->First->Handle(), BM_CLICK, 0, 0);
  Form->Close();
  ::PostMessageW(Form->Second->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(Application.Terminated());
  Application.ProcessMessages();
  EXPECT_TRUE(Application.Terminated());
  // Both clicks queued before the quit request were still handled.
  EXPECT_EQ(Form->Clicks, (std::vector<TObject*>{Form->First, Form->Second}));
}

}  // namespace
