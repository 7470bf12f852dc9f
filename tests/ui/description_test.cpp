#include "ui/description.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtl/exception.h"

namespace {

// A component that records what it saw when it was loaded.
class TProbe : public TComponent {
 public:
  TS_CLASS_NAME(TProbe)
  static const TPublishedClass& Published();
  explicit TProbe(TComponent* owner) : TComponent(owner) {}

  void Loaded() override {
    LoadedWhileLoading = HasState(TComponentStateFlag::csLoading);
    TComponent::Loaded();
    Log().push_back("loaded " + Name());
    // What the last component of the description says is already there.
    const TComponent& root = Owner() != nullptr ? *Owner() : *this;
    if (auto* last = dynamic_cast<TProbe*>(root.FindComponent("Last"))) {
      SawLastValue = last->Value;
    }
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

// A probe that may not be nested.
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
      {Bind<TProbe>("Value",
                    [](TProbe& p, const TPropertyValue& v) {
                      p.Value = PropertyInt(v, "Value");
                      p.Order.push_back("Value");
                    }),
       Bind<TProbe>("Text",
                    [](TProbe& p, const TPropertyValue& v) {
                      p.Text = PropertyText(v, "Text");
                      p.Order.push_back("Text");
                    }),
       Bind<TProbe>("OnPing",
                    [](TProbe& p, const TPropertyValue& v, const TReadContext& context) {
                      p.OnPing = context.FindMethod(PropertyIdent(v, "OnPing"));
                    }),
       Bind<TProbe>("Buddy",
                    [](TProbe& p, const TPropertyValue& v, const TReadContext& context) {
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

TObjectDescription Probe(const char* name, std::vector<std::pair<std::string, TPropertyValue>> properties,
                         std::vector<TObjectDescription> children = {}) {
  return {&TProbe::Published(), name, std::move(properties), std::move(children)};
}

class DescriptionTest : public ::testing::Test {
 protected:
  void SetUp() override { TProbe::Log().clear(); }

  // Reads `description` into a fresh root probe; the root's one method "Ping" counts calls.
  void Read(const TObjectDescription& description) {
    ReadDescription(Root, TProbe::Published(), description, [this](std::string_view name) {
      return name == "Ping" ? TNotifyEvent([this](TObject*) { ++Pings; }) : TNotifyEvent();
    });
  }
  TProbe* Find(const char* name) { return dynamic_cast<TProbe*>(Root.FindComponent(name)); }

  TProbe Root{nullptr};
  int Pings = 0;
};

TEST_F(DescriptionTest, MakesEveryObjectInOrderThenDeliversLoadedAfterTheWholeTree) {
  Root.SetName("Root");
  Read(Probe("Root", {{"Value", std::int64_t{1}}},
             {Probe("A", {{"Text", "a"}, {"Value", std::int64_t{2}}},
                    {Probe("A1", {{"Value", std::int64_t{3}}})}),
              Probe("Last", {{"Value", std::int64_t{42}}})}));

  ASSERT_EQ(Root.ComponentCount(), 3);
  const char* expectedOrder[] = {"A", "A1", "Last"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Root.Components(i)->Name(), expectedOrder[i]);
  EXPECT_EQ(Root.Value, 1);
  EXPECT_EQ(Find("A")->Order, (std::vector<std::string>{"Text", "Value"}));  // in stored order
  EXPECT_EQ(Find("A1")->Parent, Find("A"));
  EXPECT_EQ(Find("A")->Parent, &Root);

  EXPECT_EQ(TProbe::Log(),
            (std::vector<std::string>{"loaded A", "loaded A1", "loaded Last", "loaded Root"}));
  for (const char* name : {"A", "A1", "Last"}) {
    EXPECT_TRUE(Find(name)->LoadedWhileLoading) << name;
    EXPECT_FALSE(Find(name)->HasState(TComponentStateFlag::csLoading)) << name;
    // Loaded comes only after the last component's settings were read.
    EXPECT_EQ(Find(name)->SawLastValue, 42) << name;
  }
}

TEST_F(DescriptionTest, BindsEventsToTheRootsMethodsAndNamesToComponents) {
  Read(Probe("Root", {}, {Probe("A", {{"OnPing", TIdent{"Ping"}}}),
                          Probe("B", {{"Buddy", TIdent{"A"}}})}));
  ASSERT_TRUE(Find("A")->OnPing);
  Find("A")->OnPing(Find("A"));
  EXPECT_EQ(Pings, 1);
  EXPECT_EQ(Find("B")->Text, "A");
}

TEST_F(DescriptionTest, RefusesWhatTheClassesDoNotSay) {
  struct TCase {
    const char* What;
    TObjectDescription Description;
    const char* Message;
  };
  const TCase cases[] = {
      {"unknown property", Probe("Root", {}, {Probe("A", {{"Colour", std::int64_t{1}}})}),
       "プロパティ Colour は存在しません"},
      {"text for a number", Probe("Root", {}, {Probe("A", {{"Value", "ten"}})}),
       "プロパティ Value の値が不正です"},
      {"number for a text", Probe("Root", {{"Text", std::int64_t{3}}}),
       "プロパティ Text の値が不正です"},
      {"unknown method", Probe("Root", {}, {Probe("A", {{"OnPing", TIdent{"Pong"}}})}),
       "メソッド Pong が見つかりません"},
      {"unknown component", Probe("Root", {}, {Probe("A", {{"Buddy", TIdent{"Z"}}})}),
       "コンポーネント Z が見つかりません"},
      {"nesting a class that cannot be nested",
       Probe("Root", {}, {Probe("A", {}, {{&TLoner::Published(), "L", {}, {}}})}),
       "L を A の中に置くことはできません"},
  };
  for (const TCase& c : cases) {
    TProbe root(nullptr);
    try {
      ReadDescription(root, TProbe::Published(), c.Description, {});
      ADD_FAILURE() << c.What << ": no failure";
    } catch (const EReadError& failure) {
      EXPECT_EQ(failure.Message(), c.Message) << c.What;
    }
  }
}

TEST_F(DescriptionTest, ATopLevelObjectWithoutParentSetterStaysInTheRootAlone) {
  Read(Probe("Root", {}, {{&TLoner::Published(), "L", {{"Value", std::int64_t{5}}}, {}}}));
  ASSERT_NE(Find("L"), nullptr);
  EXPECT_EQ(Find("L")->Value, 5);
  EXPECT_EQ(Find("L")->Parent, nullptr);
}

}  // namespace
