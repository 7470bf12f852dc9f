#include "ui/description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/exception.h"

namespace {

// A component that records how it was read and what it saw when it was loaded.
class TProbe : public TComponent {
 public:
  TS_CLASS_NAME(TProbe)
  static const TPublishedClass& Published();
  explicit TProbe(TComponent* owner) : TComponent(owner) {}

  void Loaded() override {
    LoadedWhileLoading = HasState(TComponentStateFlag::csLoading);
    TComponent::Loaded();
    Log().push_back(Name());
    const TComponent& root = Owner() != nullptr ? *Owner() : *this;
    if (auto* last = dynamic_cast<TProbe*>(root.FindComponent("Last"))) SawLastValue = last->Value;
  }
  static std::vector<std::string>& Log() {
    static std::vector<std::string> log;
    return log;
  }

  std::int64_t Value = 0;
  std::string Text;
  std::vector<std::string> Order;
  TProbe* Parent = nullptr;
  TNotifyEvent OnPing;
  bool LoadedWhileLoading = false;
  std::int64_t SawLastValue = -1;
};

// A probe without a parent setter: it may stand at the top only.
class TLoner : public TProbe {
 public:
  TS_CLASS_NAME(TLoner)
  static const TPublishedClass& Published();
  using TProbe::TProbe;
};

const TPublishedClass& TProbe::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TProbe>(),
      nullptr,
      {Bind<TProbe>("Value", [](TProbe& p, const TPropertyValue& v) {
         p.Value = PropertyInt(v, "Value");
         p.Order.push_back("Value");
       }),
       Bind<TProbe>("Text", [](TProbe& p, const TPropertyValue& v) {
         p.Text = PropertyText(v, "Text");
         p.Order.push_back("Text");
       }),
       Bind<TProbe>("OnPing", [](TProbe& p, const TPropertyValue& v, const TReadContext& context) {
         p.OnPing = context.FindMethod(PropertyIdent(v, "OnPing"));
       }),
       Bind<TProbe>("Buddy", [](TProbe& p, const TPropertyValue& v, const TReadContext& context) {
         p.Text = context.FindComponent(PropertyIdent(v, "Buddy")).Name();
       })},
      [](TComponent& child, TComponent& parent) {
        static_cast<TProbe&>(child).Parent = &static_cast<TProbe&>(parent);
      }};
  return entry;
}

const TPublishedClass& TLoner::Published() {
  static const TPublishedClass entry{TComponentClass::Of<TLoner>(), nullptr,
                                     TProbe::Published().Properties, nullptr};
  return entry;
}

using TProperties = std::vector<std::pair<std::string, TPropertyValue>>;

TObjectDescription Probe(const char* name, TProperties properties,
                         std::vector<TObjectDescription> children = {},
                         const TPublishedClass& objectClass = TProbe::Published()) {
  return {&objectClass, name, std::move(properties), std::move(children)};
}

TEST(ReadDescription, MakesTheTreeInOrderThenDeliversLoadedAfterTheWhole) {
  TProbe::Log().clear();
  TProbe root(nullptr);
  root.SetName("Root");
  ReadDescription(root, TProbe::Published(),
                  Probe("Root", {{"Value", std::int64_t{1}}},
                        {Probe("A", {{"Text", "a"}, {"Value", std::int64_t{2}}},
                               {Probe("A1", {{"Value", std::int64_t{3}}})}),
                         Probe("L", {{"Value", std::int64_t{5}}}, {}, TLoner::Published()),
                         Probe("Last", {{"Value", std::int64_t{42}}})}),
                  {});
  const auto find = [&root](const std::string& name) {
    return dynamic_cast<TProbe*>(root.FindComponent(name));
  };

  const std::vector<std::string> made = {"A", "A1", "L", "Last"};
  ASSERT_EQ(root.ComponentCount(), static_cast<int>(made.size()));
  for (int i = 0; i < root.ComponentCount(); ++i) EXPECT_EQ(root.Components(i)->Name(), made[i]);
  EXPECT_EQ(root.Value, 1);
  EXPECT_EQ(find("A")->Order, (std::vector<std::string>{"Text", "Value"})) << "in stored order";
  EXPECT_EQ(find("A1")->Parent, find("A"));
  EXPECT_EQ(find("A")->Parent, &root);
  EXPECT_EQ(find("L")->Parent, nullptr) << "a class without parent setter stays in the root alone";
  EXPECT_EQ(find("L")->Value, 5);

  EXPECT_EQ(TProbe::Log(), (std::vector<std::string>{"A", "A1", "L", "Last", "Root"}));
  for (const std::string& name : made) {
    EXPECT_TRUE(find(name)->LoadedWhileLoading) << name;
    EXPECT_FALSE(find(name)->HasState(TComponentStateFlag::csLoading)) << name;
    EXPECT_EQ(find(name)->SawLastValue, 42) << name << " was loaded before the last was read";
  }
}

TEST(ReadDescription, RefusesWhatTheClassesDoNotSay) {
  const auto inA = [](TProperties properties, std::vector<TObjectDescription> children = {}) {
    return Probe("Root", {}, {Probe("A", std::move(properties), std::move(children))});
  };
  const struct {
    TObjectDescription Description;
    const char* Message;
  } cases[] = {
      {inA({{"Colour", std::int64_t{1}}}), "プロパティ Colour は存在しません"},
      {inA({{"Value", "ten"}}), "プロパティ Value の値が不正です"},
      {Probe("Root", {{"Text", std::int64_t{3}}}), "プロパティ Text の値が不正です"},
      {inA({{"OnPing", TIdent{"Pong"}}}), "メソッド Pong が見つかりません"},
      {inA({{"Buddy", TIdent{"Z"}}}), "コンポーネント Z が見つかりません"},
      {inA({}, {Probe("L", {}, {}, TLoner::Published())}), "L を A の中に置くことはできません"},
  };
  for (const auto& c : cases) {
    TProbe root(nullptr);
    try {
      ReadDescription(root, TProbe::Published(), c.Description, {});
      ADD_FAILURE() << "no failure, expected " << c.Message;
    } catch (const EReadError& failure) {
      EXPECT_EQ(failure.Message(), c.Message);
    }
  }
}

}  // namespace
