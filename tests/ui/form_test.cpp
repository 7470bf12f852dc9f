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

// A control captioned with its name. A button needs a size of its own for a click to land on it.
TObjectDescription Control(const TPublishedClass& objectClass, const char* name, std::int64_t tabOrder,
                           TProperties more = {}, std::vector<TObjectDescription> children = {}) {
  more.insert(more.begin(), {{"Caption", name}, {"TabOrder", tabOrder}});
  return {&objectClass, name, std::move(more), std::move(children)};
}

TObjectDescription Button(const char* name, std::int64_t tabOrder, std::int64_t left, std::int64_t top,
                          const char* onClick = "Clicked") {
  return Control(TButton::Published(), name, tabOrder,
                 {{"Left", left}, {"Top", top}, {"Width", std::int64_t{100}}, {"Height", std::int64_t{25}},
                  {"OnClick", TIdent{onClick}}});
}

// A window whose tab order differs from its creation order, with a container, a group and a
// button whose handler fails.
class TProbeForm : public TForm {
 public:
  TS_CLASS_NAME(TProbeForm)
  static const TPublishedClass& Published() {
    static const TPublishedClass entry{TComponentClass::Of<TProbeForm>(), &TForm::Published(), {},
                                       nullptr};
    return entry;
  }

  explicit TProbeForm(TComponent* owner) : TForm(owner) {
    static const TObjectDescription description{
        &Published(),
        "ProbeForm",
        {{"Width", std::int64_t{420}}, {"Height", std::int64_t{300}}, {"Caption", "Probe"}},
        {Control(TPanel::Published(), "Box", 3,
                 {{"Width", std::int64_t{150}}, {"Height", std::int64_t{100}}}, {Button("Inner", 0, 10, 10)}),
         // The index comes before the items it selects, as stored descriptions have it.
         Control(TRadioGroup::Published(), "Group", 1,
                 {{"Left", std::int64_t{200}}, {"Width", std::int64_t{150}}, {"Height", std::int64_t{120}},
                  {"ItemIndex", std::int64_t{1}}, {"Items.Strings", TStringList{{"a", "b", "c"}}}}),
         Button("First", 2, 10, 150), Button("Second", 0, 120, 150),
         Button("Failing", 4, 10, 190, "Fail")}};
    ReadFormDescription(Published(), description);
    BindField(Inner, "Inner");
    BindField(Group, "Group");
    BindField(First, "First");
    BindField(Second, "Second");
    BindField(Failing, "Failing");
  }

  TNotifyEvent MethodAddress(std::string_view name) override {
    if (name == "Clicked") return [this](TObject* sender) { Clicks.push_back(sender); };
    if (name == "Fail") return [](TObject*) { throw EWriteError("書けません"); };
    return TForm::MethodAddress(name);
  }

  TButton *Inner = nullptr, *First = nullptr, *Second = nullptr, *Failing = nullptr;
  TRadioGroup* Group = nullptr;
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

TEST_F(FormTest, KeysMoveTheFocusClicksReachTheHandlersAndClosingEndsTheLoop) {
  const std::vector<HWND> stops = {Form->Second->Handle(), Form->Group->ItemHandle(1),
                                   Form->First->Handle(), Form->Inner->Handle(),
                                   Form->Failing->Handle()};
  EXPECT_EQ(Form->TabStops(), stops) << "by tab order, showing controls only";
  EXPECT_EQ(::GetFocus(), stops[0]) << "the first activation focuses the first stop";
  for (std::size_t i = 1; i <= stops.size(); ++i) {
    Press(VK_TAB);
    EXPECT_EQ(::GetFocus(), stops[i % stops.size()]) << "after " << i << " Tab presses";
  }
  Press(VK_TAB, true);
  EXPECT_EQ(::GetFocus(), stops.back()) << "Shift+Tab goes back, wrapping around";
  EXPECT_TRUE(Form->Clicks.empty()) << "moving the focus clicks nothing";

  ASSERT_EQ(Form->Group->ItemIndex(), 1);
  ::SetFocus(Form->Group->ItemHandle(1));
  const struct {
    WPARAM Key;
    int Selected;
  } arrows[] = {{VK_DOWN, 2}, {VK_DOWN, 0}, {VK_UP, 2}, {VK_LEFT, 1}, {VK_RIGHT, 2}};
  for (const auto& c : arrows) {
    Press(c.Key);
    EXPECT_EQ(Form->Group->ItemIndex(), c.Selected) << "key " << c.Key;
    EXPECT_EQ(::GetFocus(), Form->Group->ItemHandle(c.Selected)) << "key " << c.Key;
    for (int i = 0; i < 3; ++i) {
      const bool checked = ::SendMessageW(Form->Group->ItemHandle(i), BM_GETCHECK, 0, 0) == BST_CHECKED;
      EXPECT_EQ(checked, i == c.Selected) << "item " << i << " after key " << c.Key;
    }
  }
  Press(VK_TAB);
  Press(VK_TAB, true);
  EXPECT_EQ(::GetFocus(), Form->Group->ItemHandle(2)) << "Tab comes back to the selected item";

  // A click and Enter call the handler with the button as sender; a click on a radio item
  // selects it and calls no button handler.
  ::SendMessageW(Form->First->Handle(), BM_CLICK, 0, 0);
  ::SetFocus(Form->Inner->Handle());
  Press(VK_RETURN);
  ::SendMessageW(Form->Group->ItemHandle(0), BM_CLICK, 0, 0);
  EXPECT_EQ(Form->Clicks, (std::vector<TObject*>{Form->First, Form->Inner}));
  EXPECT_EQ(Form->Group->ItemIndex(), 0);

  // A failing handler shows the standard error box, and the window goes on.
  {
    TDialogDriver driver({TDialogDriver::PressButton(IDOK)});
    ::SendMessageW(Form->Failing->Handle(), BM_CLICK, 0, 0);
    const auto handled = driver.Handled();
    ASSERT_EQ(handled.size(), 1u) << "no error box";
    EXPECT_EQ(handled[0].Title, "Probe");
    EXPECT_EQ(handled[0].Text, "書けません.");
  }
  Form->Clicks.clear();

  // Closing the main window ends the loop after what is queued, and the window goes on until then.
  ::PostMessageW(Form->First->Handle(), BM_CLICK, 0, 0);
  Form->Close();
  ::PostMessageW(Form->Second->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(Application.Terminated());
  Application.ProcessMessages();
  EXPECT_TRUE(Application.Terminated());
  EXPECT_EQ(Form->Clicks, (std::vector<TObject*>{Form->First, Form->Second}))
      << "clicks queued around the close request are still handled";
}

}  // namespace
