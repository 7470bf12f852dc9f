#include "plugins/spis.h"

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "image/file_formats.h"
#include "plugin_test_support.h"
#include "plugins/am_spi.h"
#include "plugins/create_spi.h"
#include "plugins/spi_exceptions.h"
#include "rtl/file_name.h"

namespace fs = std::filesystem;

namespace {

using plugin_test::IsModuleLoaded;
using plugin_test::Text;
using TNames = std::vector<std::string>;

// Picture classes that only name themselves, to see which class a format is registered under.
class TDefaultPicture : public TGraphic {
 public:
  TS_CLASS_NAME(TDefaultPicture)
};
class TOtherPicture : public TGraphic {
 public:
  TS_CLASS_NAME(TOtherPicture)
};

// The file names of the plug-ins, "-" for a null entry.
TNames Names(const std::vector<TSPI*>& list) {
  TNames names;
  for (const TSPI* spi : list) names.push_back(spi ? ExtractFileName(spi->FileName()) : "-");
  return names;
}
TNames Names(const TSPIs& spis) {
  std::vector<TSPI*> list;
  for (int i = 0; i < spis.Count(); ++i) list.push_back(spis.Plugins(i));
  return Names(list);
}

// Registry entries added since `from`, as "extension class description".
TNames FormatsSince(int from) {
  TNames added;
  const TFileFormatsList& formats = GetFileFormats();
  for (int i = from; i < formats.Count(); ++i) {
    const TFileFormat& f = formats.Items(i);
    added.push_back(f.Extension + " " + std::string(f.GraphicClass.ClassName()) + " " +
                    f.Description);
  }
  return added;
}

class SPIsTest : public ::testing::Test {
 protected:
  void SetUp() override { TSPIs::SetDefaultGraphic(TGraphicClass()); }
  void TearDown() override { TSPIs::SetDefaultGraphic(TGraphicClass()); }

  std::string Pattern() const { return Dir.Prefix() + "*.spi"; }
  std::string Copy(const std::string& variant, const std::string& name) {
    return Text(plugin_test::CopyPlugin(variant, Dir.Path(), name));
  }
  // Copies each test plug-in variant under its name.
  void Copy(std::initializer_list<std::pair<const char*, const char*>> plugins) {
    for (const auto& [variant, name] : plugins) Copy(variant, name);
  }
  bool Loaded(const std::string& name) const { return IsModuleLoaded(Dir.Path() / name); }

  plugin_test::TTempDir Dir;  // declared first: the collections go before their modules' files
};

TEST_F(SPIsTest, ScansAPatternsDirectoryInTheFileSystemsOrderAndOffersEachUsableModule) {
  Copy({{"tp_in", "in.spi"},
        {"tp_am", "am.spi"},
        {"tp_xn", "xn.spi"},
        {"tp_in_lower", "lower.spi"},
        {"tp_no_version", "none.spi"},
        {"tp_no_plugin_info", "noinfo.spi"},
        {"tp_in_no_picture", "nopicture.spi"},
        {"tp_in", "notspi.dll"}});
  plugin_test::MakeHidden(plugin_test::CopyPlugin("tp_in", Dir.Path(), "hidden.spi"));
  plugin_test::WriteFile(Dir.Path() / "text.spi", "no module");
  fs::create_directory(Dir.Path() / "folder.spi");
  plugin_test::CopyPlugin("tp_in", Dir.Path() / "folder.spi", "inner.spi");

  TSPIs spis(nullptr);
  TNames offered;
  // Rejecting, or failing with any exception, costs only that plug-in.
  spis.SetOnSearch([&](TSPIs& sender, TSPI& spi, bool& accept) {
    EXPECT_EQ(&sender, &spis);
    EXPECT_TRUE(accept) << "arrives true";
    const std::string name = ExtractFileName(spi.FileName());
    offered.push_back(name);
    if (name == "am.spi") accept = false;
    if (name == "xn.spi") throw EAbort("stop");
    if (name == "none.spi") throw std::runtime_error("not an Exception");
  });
  EXPECT_NO_THROW(spis.Search(Pattern()));
  const std::set<std::string> usable = {"in.spi", "am.spi", "xn.spi", "lower.spi", "none.spi"};
  TNames expected;
  for (const auto& entry : fs::directory_iterator(Dir.Path())) {
    const std::string name = Text(entry.path().filename());
    if (usable.count(name) != 0) expected.push_back(name);
  }
  EXPECT_EQ(offered, expected);
  std::erase_if(expected,
                [](const std::string& name) { return name != "in.spi" && name != "lower.spi"; });
  EXPECT_EQ(Names(spis), expected);
  for (int i = 0; i < spis.Count(); ++i) {
    EXPECT_EQ(spis.Plugins(i)->FileName(), Dir.Prefix() + Names(spis)[i]);
  }
  for (const char* name : {"noinfo.spi", "am.spi", "xn.spi", "none.spi"}) {
    EXPECT_FALSE(Loaded(name)) << name << " is released";
  }
}

TEST_F(SPIsTest, ASecondSearchOpensOnlyWhatIsNewAndComparesPathTextsExactly) {
  Copy({{"tp_in", "a.spi"}, {"tp_am", "b.spi"}});
  TSPIs spis(nullptr);
  int offered = 0;
  spis.SetOnSearch([&](TSPIs&, TSPI&, bool&) { ++offered; });
  spis.Search(Pattern());
  ASSERT_EQ(spis.Count(), 2);
  const TSPI* first = spis.Plugins(0);
  spis.Search(Pattern());
  EXPECT_EQ(offered, 2) << "nothing opened again";
  EXPECT_EQ(spis.Plugins(0), first);

  Copy("tp_xn", "c.spi");
  spis.Search(Pattern());
  EXPECT_EQ(offered, 3);
  EXPECT_EQ(spis.IndexOfSPIName(Dir.Prefix() + "c.spi"), 2);

  // The same files by another path text: opened again, and all stay. The system reports the
  // first load's name for each.
  const std::string other = Dir.Prefix() + "." + Dir.Prefix().back();
  spis.Search(other + "*.spi");
  ASSERT_EQ(spis.Count(), 6);
  for (int i = 3; i < 6; ++i) EXPECT_LT(spis.IndexOfSPIName(spis.Plugins(i)->FileName()), 3);
  EXPECT_EQ(spis.IndexOfSPIName(other + "a.spi"), -1);
}

TEST_F(SPIsTest, RegistersEachFormatUnderTheDefaultClassThroughTheHandler) {
  Copy({{"tp_in_multi", "multi.spi"}, {"tp_am", "am.spi"}});  // am.spi registers nothing
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  const int before = GetFileFormats().Count();
  auto spis = std::make_unique<TSPIs>(nullptr);
  TNames seen;
  spis->SetOnPictureRegister([&](TSPIs& sender, TInSPI& spi, const std::string& extension,
                                 const std::string& description, TGraphicClass& graphicClass) {
    EXPECT_EQ(&sender, spis.get());
    EXPECT_EQ(ExtractFileName(spi.FileName()), "multi.spi");
    seen.push_back(extension + "|" + description + "|" + std::string(graphicClass.ClassName()));
    if (extension == "Def") graphicClass = TGraphicClass::Of<TOtherPicture>();
    if (description == "No extension") graphicClass = TGraphicClass();
    // The default class is read afresh for each format.
    if (extension.empty()) TSPIs::SetDefaultGraphic(TGraphicClass::Of<TOtherPicture>());
  });
  spis->Search(Pattern());
  EXPECT_EQ(spis->Count(), 2);
  spis.reset();
  EXPECT_FALSE(Loaded("multi.spi")) << "destroying unloads";
  // The registrations outlive the collection. Of several patterns only the last counts; no dot
  // after the last delimiter, no extension.
  EXPECT_EQ(seen, (TNames{"Def|Several patterns|TDefaultPicture", "|No extension|TDefaultPicture",
                          "|Dot in the directory|TOtherPicture",
                          "TSP|Test picture, upper case|TOtherPicture"}));
  EXPECT_EQ(FormatsSince(before),
            (TNames{"def TOtherPicture Several patterns", " TOtherPicture Dot in the directory",
                    "tsp TOtherPicture Test picture, upper case"}));
  EXPECT_TRUE(GetFileFormats().FindClassName("TOtherPicture") ==
              TGraphicClass::Of<TOtherPicture>());
}

TEST_F(SPIsTest, AFailingRegistrationCostsOnlyThatPluginDuringASearch) {
  Copy({{"tp_in", "in.spi"}, {"tp_in_multi", "multi.spi"}});
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  TSPIs spis(nullptr);
  spis.SetOnPictureRegister(
      [](TSPIs&, TInSPI& spi, const std::string&, const std::string&, TGraphicClass&) {
        if (ExtractFileName(spi.FileName()) != "in.spi") throw EInvalidGraphic("refused");
      });
  EXPECT_NO_THROW(spis.Search(Pattern()));
  EXPECT_EQ(Names(spis), TNames{"in.spi"});
  EXPECT_FALSE(Loaded("multi.spi"));

  // Added directly, the plug-in stays in the collection and the exception reaches the caller.
  EXPECT_THROW(spis.Add(CreateSPI(Copy("tp_in_multi", "direct.spi"))), EInvalidGraphic);
  EXPECT_EQ(Names(spis), (TNames{"in.spi", "direct.spi"}));
}

TEST_F(SPIsTest, FindPluginListPutsThoseNamingTheExtensionFirstLatestFirst) {
  TSPIs spis(nullptr);
  // Collection order: a (.tsp), am (.tsp, not import), b (.tsp), multi (.def .TSP ...), half.
  const std::pair<const char*, const char*> plugins[] = {{"tp_in", "a.spi"},
                                                         {"tp_am", "am.spi"},
                                                         {"tp_in", "b.spi"},
                                                         {"tp_in_multi", "multi.spi"},
                                                         {"tp_in_half", "half.spi"}};
  const int formats = GetFileFormats().Count();
  for (const auto& [variant, name] : plugins) spis.Add(CreateSPI(Copy(variant, name)));
  EXPECT_EQ(GetFileFormats().Count(), formats) << "without a default class nothing registers";
  const std::vector<TSPIClass> import = {TSPIClass::Of<TInSPI>()};
  const std::vector<TSPIClass> every = {TSPIClass::Of<TSPI>()};
  const std::vector<TSPIClass> two = {TSPIClass::Of<TAmSPI>(), TSPIClass::Of<TInSPI>()};
  const std::vector<TSPIClass> none;
  struct Case {
    const std::vector<TSPIClass>* classes;
    const char* fileName;
    TNames expected;
  };
  // The list arrives holding one entry ("-"): matches go before it, the rest after it.
  const TNames importRest = {"-", "a.spi", "b.spi", "multi.spi", "half.spi"};
  const Case cases[] = {
      {&import, "photo.tsp", {"multi.spi", "b.spi", "a.spi", "-", "half.spi"}},
      {&import, "PHOTO.TsP", {"multi.spi", "b.spi", "a.spi", "-", "half.spi"}},
      {&import, "x.def", {"multi.spi", "-", "a.spi", "b.spi", "half.spi"}},
      {&import, "x.abc", importRest},
      {&import, "noext", importRest},
      {&import, "", importRest},
      {&every, "p.tsp", {"multi.spi", "b.spi", "am.spi", "a.spi", "-", "half.spi"}},
      {&two, "p.png", {"-", "a.spi", "am.spi", "b.spi", "multi.spi", "half.spi"}},
      {&none, "p.tsp", {"-"}},
  };
  for (const Case& c : cases) {
    std::vector<TSPI*> list = {nullptr};
    spis.FindPluginList(*c.classes, c.fileName, list);
    EXPECT_EQ(Names(list), c.expected) << c.fileName;
  }
}

TEST_F(SPIsTest, ListOperationsCheckPositionsBeforeChangingAnythingAndDestroyWhatTheyDrop) {
  TSPIs spis(nullptr);
  spis.Add(CreateSPI(Copy("tp_in", "a.spi")));
  spis.Add(CreateSPI(Copy("tp_am", "b.spi")));
  spis.Insert(0, CreateSPI(Copy("tp_xn", "c.spi")));
  const TNames start = {"c.spi", "a.spi", "b.spi"};
  ASSERT_EQ(Names(spis), start);

  std::unique_ptr<TSPI> spare = CreateSPI(Copy("tp_in", "spare.spi"));
  struct Case {
    const char* operation;
    int index;
    std::function<void()> run;
  };
  const Case cases[] = {
      {"Insert", 4, [&] { spis.Insert(4, std::move(spare)); }},
      {"Insert", -1, [&] { spis.Insert(-1, std::move(spare)); }},
      {"Delete", 3, [&] { spis.Delete(3); }},
      {"Delete", -1, [&] { spis.Delete(-1); }},
      {"Plugins", 3, [&] { spis.Plugins(3); }},
      {"Exchange", 3, [&] { spis.Exchange(0, 3); }},
      {"Exchange", -2, [&] { spis.Exchange(-2, 0); }},
  };
  for (const Case& c : cases) {
    try {
      c.run();
      ADD_FAILURE() << c.operation << " " << c.index << ": no exception";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(),
                "リストのインデックスが範囲を超えています (" + std::to_string(c.index) + ")")
          << c.operation;
    }
    EXPECT_EQ(Names(spis), start) << c.operation;
  }
  ASSERT_NE(spare, nullptr) << "a refused insertion leaves the object with the caller";

  spis.Exchange(0, 2);
  spis.Insert(3, std::move(spare));
  EXPECT_EQ(Names(spis), (TNames{"b.spi", "a.spi", "c.spi", "spare.spi"}));
  EXPECT_EQ(spis.IndexOfSPIName(Dir.Prefix() + "spare.spi"), 3);
  EXPECT_EQ(spis.IndexOfSPIName(Dir.Prefix() + "SPARE.spi"), -1) << "letter case counts";
  EXPECT_EQ(spis.IndexOfSPIName("spare.spi"), -1) << "the whole path counts";

  // Remove of an object that is not held changes nothing and destroys nothing.
  const std::unique_ptr<TSPI> stranger = CreateSPI(Copy("tp_in", "stranger.spi"));
  spis.Remove(stranger.get());
  EXPECT_EQ(spis.Count(), 4);
  EXPECT_TRUE(Loaded("stranger.spi"));

  spis.Remove(spis.Plugins(1));
  EXPECT_FALSE(Loaded("a.spi")) << "Remove destroys";
  spis.Delete(0);
  EXPECT_FALSE(Loaded("b.spi")) << "Delete destroys";
  EXPECT_EQ(Names(spis), (TNames{"c.spi", "spare.spi"}));
  spis.Clear();
  EXPECT_EQ(spis.Count(), 0);
  EXPECT_FALSE(Loaded("c.spi") || Loaded("spare.spi")) << "Clear destroys";
}

TEST_F(SPIsTest, OnlyOneCollectionAtRunTimeAndNoneOfItsStepsInTheDesignState) {
  EXPECT_EQ(SusiePlugins(), nullptr);
  Copy("tp_in", "in.spi");
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  const int before = GetFileFormats().Count();
  {
    TComponent owner(nullptr);
    TSPIs* first = MakeOwnedComponent<TSPIs>(owner);
    EXPECT_EQ(SusiePlugins(), first);
    EXPECT_EQ(first->SearchOptions().Bits(), 0x03) << "Susie and program directories";
    EXPECT_TRUE(first->AutoSearch());
    try {
      MakeOwnedComponent<TSPIs>(owner);
      ADD_FAILURE() << "a second collection was made";
    } catch (const ESPIDupCreateSPIs& e) {
      EXPECT_EQ(e.Message(), "TSPIs は複数生成できません");
    }
    EXPECT_EQ(SusiePlugins(), first);
    EXPECT_EQ(owner.ComponentCount(), 1);

    TComponent designer(nullptr);
    designer.SetState(TComponentStateFlag::csDesigning, true);
    TSPIs* designed = MakeOwnedComponent<TSPIs>(designer);  // no second-instance check
    EXPECT_EQ(SusiePlugins(), first);
    designed->SetSearchOptions(TSPISearchOptions::All());
    designed->Loaded();  // no automatic search
    EXPECT_EQ(designed->Count(), 0);
    designed->Search(Pattern());  // an explicit search still runs, but registers nothing
    EXPECT_EQ(designed->Count(), 1);
    EXPECT_EQ(GetFileFormats().Count(), before);
  }
  EXPECT_EQ(SusiePlugins(), nullptr);
  const TSPIs again(nullptr);
  EXPECT_EQ(SusiePlugins(), &again);
  using enum TSPISearchOption;
  EXPECT_EQ((TSPISearchOptions{spsAppPluginDir, spsCurrentDir}).Bits(), 0x24)
      << "one bit per ordinal, as stored descriptions hold them";
}

}  // namespace
