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

using plugin_test::CopyPlugin;
using plugin_test::IsModuleLoaded;
using plugin_test::Text;

// Picture classes that only name themselves, to see which class a format is registered under.
class TDefaultPicture : public TGraphic {
 public:
  TS_CLASS_NAME(TDefaultPicture)
};
class TOtherPicture : public TGraphic {
 public:
  TS_CLASS_NAME(TOtherPicture)
};

std::vector<std::string> Names(const TSPIs& spis) {
  std::vector<std::string> names;
  for (int i = 0; i < spis.Count(); ++i) {
    names.push_back(ExtractFileName(spis.Plugins(i)->FileName()));
  }
  return names;
}

std::vector<std::string> Names(const std::vector<TSPI*>& list) {
  std::vector<std::string> names;
  for (const TSPI* spi : list) {
    names.push_back(spi != nullptr ? ExtractFileName(spi->FileName()) : "-");
  }
  return names;
}

// The names in `dir` that are among `wanted`, in the file system's order.
std::vector<std::string> InDirectoryOrder(const fs::path& dir,
                                          const std::set<std::string>& wanted) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) {
    const std::string name = Text(entry.path().filename());
    if (wanted.count(name) != 0) names.push_back(name);
  }
  return names;
}

// Registry entries added since `from`, as "extension class description".
std::vector<std::string> FormatsSince(int from) {
  std::vector<std::string> added;
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
    return Text(CopyPlugin(variant, Dir.Path(), name));
  }

  plugin_test::TTempDir Dir;  // declared first: the collections go before their modules' files
};

TEST_F(SPIsTest, ScansAPatternsDirectoryInTheFileSystemsOrder) {
  const std::set<std::string> usable = {"in.spi", "am.spi", "xn.spi", "lower.spi", "none.spi",
                                        "nopreview.spi"};
  Copy("tp_in", "in.spi");
  Copy("tp_am", "am.spi");
  Copy("tp_xn", "xn.spi");
  Copy("tp_in_lower", "lower.spi");
  Copy("tp_no_version", "none.spi");
  Copy("tp_in_no_preview", "nopreview.spi");
  Copy("tp_no_plugin_info", "noinfo.spi");
  Copy("tp_in_no_picture", "nopicture.spi");
  Copy("tp_in", "notspi.dll");
  plugin_test::MakeHidden(CopyPlugin("tp_in", Dir.Path(), "hidden.spi"));
  plugin_test::WriteFile(Dir.Path() / "text.spi", "no module");
  fs::create_directory(Dir.Path() / "folder.spi");
  CopyPlugin("tp_in", Dir.Path() / "folder.spi", "inner.spi");

  TSPIs spis(nullptr);
  spis.SetSearchOptions(TSPISearchOptions::All());  // a directory part overrides the places
  spis.Search(Pattern());
  EXPECT_EQ(Names(spis), InDirectoryOrder(Dir.Path(), usable));
  for (int i = 0; i < spis.Count(); ++i) {
    const std::string name = ExtractFileName(spis.Plugins(i)->FileName());
    const std::string expected = name == "am.spi"   ? "TAmSPI"
                                 : name == "xn.spi" ? "TXnSPI"
                                 : name == "in.spi" || name == "nopreview.spi" ? "TInSPI"
                                                                               : "TSPI";
    EXPECT_EQ(spis.Plugins(i)->ClassName(), expected) << name;
    EXPECT_EQ(spis.Plugins(i)->FileName(), Dir.Prefix() + name);
  }
  EXPECT_FALSE(IsModuleLoaded(Dir.Path() / "noinfo.spi"));
}

TEST_F(SPIsTest, ASecondSearchOpensOnlyWhatIsNew) {
  Copy("tp_in", "a.spi");
  Copy("tp_am", "b.spi");
  TSPIs spis(nullptr);
  int offered = 0;
  spis.SetOnSearch([&](TSPIs& sender, TSPI&, bool& accept) {
    EXPECT_EQ(&sender, &spis);
    EXPECT_TRUE(accept) << "arrives true";
    ++offered;
  });
  spis.Search(Pattern());
  ASSERT_EQ(spis.Count(), 2);
  const TSPI* first = spis.Plugins(0);
  EXPECT_EQ(offered, 2);

  spis.Search(Pattern());
  EXPECT_EQ(offered, 2) << "nothing opened again";
  EXPECT_EQ(spis.Count(), 2);
  EXPECT_EQ(spis.Plugins(0), first);

  Copy("tp_xn", "c.spi");
  spis.Search(Pattern());
  EXPECT_EQ(offered, 3);
  EXPECT_EQ(spis.IndexOfSPIName(Dir.Prefix() + "c.spi"), 2);
  EXPECT_EQ(plugin_test::CallCount(Dir.Path() / "a.spi", "GetPluginInfo"), 2 * 5)
      << "a.spi was described once by the probe and once by its object, never again";
}

TEST_F(SPIsTest, TheDuplicateTestComparesPathTextsExactly) {
  Copy("tp_in", "in.spi");
  TSPIs spis(nullptr);
  spis.Search(Pattern());
  ASSERT_EQ(spis.Count(), 1);
  // The same file by another path text: opened again, and both stay. The system reports the
  // first load's name for both.
  std::string other = Dir.Prefix();
  other += ".";
  other += Dir.Prefix().back();
  spis.Search(other + "*.spi");
  ASSERT_EQ(spis.Count(), 2);
  EXPECT_EQ(spis.Plugins(1)->FileName(), spis.Plugins(0)->FileName());
  EXPECT_EQ(spis.IndexOfSPIName(Dir.Prefix() + "in.spi"), 0);
  EXPECT_EQ(spis.IndexOfSPIName(other + "in.spi"), -1);
}

TEST_F(SPIsTest, OnSearchCanRejectOrFailAndCostsOnlyThatPlugin) {
  Copy("tp_in", "in.spi");
  Copy("tp_am", "am.spi");
  Copy("tp_xn", "xn.spi");
  Copy("tp_no_version", "none.spi");
  TSPIs spis(nullptr);
  spis.SetOnSearch([](TSPIs&, TSPI& spi, bool& accept) {
    const std::string name = ExtractFileName(spi.FileName());
    if (name == "am.spi") accept = false;
    if (name == "xn.spi") throw EAbort("stop");
    if (name == "none.spi") throw std::runtime_error("not an Exception");
  });
  EXPECT_NO_THROW(spis.Search(Pattern()));
  EXPECT_EQ(Names(spis), std::vector<std::string>{"in.spi"});
  for (const char* name : {"am.spi", "xn.spi", "none.spi"}) {
    EXPECT_FALSE(IsModuleLoaded(Dir.Path() / name)) << name << " was destroyed";
  }
}

TEST_F(SPIsTest, RegistersEachFormatUnderTheDefaultClassThroughTheHandler) {
  Copy("tp_in_multi", "multi.spi");
  Copy("tp_am", "am.spi");  // not an import plug-in: registers nothing
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  TSPIs spis(nullptr);
  std::vector<std::string> seen;
  spis.SetOnPictureRegister([&](TSPIs& sender, TInSPI& spi, const std::string& extension,
                                const std::string& description, TGraphicClass& graphicClass) {
    EXPECT_EQ(&sender, &spis);
    EXPECT_EQ(ExtractFileName(spi.FileName()), "multi.spi");
    seen.push_back(extension + "|" + description + "|" + std::string(graphicClass.ClassName()));
    if (extension == "Def") graphicClass = TGraphicClass::Of<TOtherPicture>();
    if (description == "No extension") graphicClass = TGraphicClass();
  });
  const int before = GetFileFormats().Count();
  spis.Search(Pattern());
  EXPECT_EQ(spis.Count(), 2);
  // Of several patterns only the last counts; no dot after the last delimiter, no extension.
  EXPECT_EQ(seen, (std::vector<std::string>{
                      "Def|Several patterns|TDefaultPicture",
                      "|No extension|TDefaultPicture",
                      "|Dot in the directory|TDefaultPicture",
                      "TSP|Test picture, upper case|TDefaultPicture",
                  }));
  const std::vector<std::string> registered = {
      "def TOtherPicture Several patterns",
      " TDefaultPicture Dot in the directory",
      "tsp TDefaultPicture Test picture, upper case",
  };
  EXPECT_EQ(FormatsSince(before), registered);
  EXPECT_TRUE(GetFileFormats().FindClassName("TOtherPicture") ==
              TGraphicClass::Of<TOtherPicture>());
}

TEST_F(SPIsTest, TheDefaultClassIsReadAfreshForEachFormat) {
  Copy("tp_in_multi", "multi.spi");
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  TSPIs spis(nullptr);
  spis.SetOnPictureRegister([](TSPIs&, TInSPI&, const std::string&, const std::string&,
                               TGraphicClass&) {
    TSPIs::SetDefaultGraphic(TGraphicClass::Of<TOtherPicture>());
  });
  const int before = GetFileFormats().Count();
  spis.Search(Pattern());
  const std::vector<std::string> added = FormatsSince(before);
  ASSERT_EQ(added.size(), 4u);
  EXPECT_EQ(added[0], "def TDefaultPicture Several patterns");
  EXPECT_EQ(added[1], " TOtherPicture No extension");
}

TEST_F(SPIsTest, WithoutADefaultClassNothingIsRegisteredYetThePluginServes) {
  Copy("tp_in", "in.spi");
  const int before = GetFileFormats().Count();
  TSPIs spis(nullptr);
  spis.Search(Pattern());
  ASSERT_EQ(spis.Count(), 1);
  EXPECT_EQ(GetFileFormats().Count(), before);
  std::vector<TSPI*> list;
  spis.FindPluginList({TSPIClass::Of<TInSPI>()}, "x.tsp", list);
  EXPECT_EQ(Names(list), std::vector<std::string>{"in.spi"});
}

TEST_F(SPIsTest, AFailingRegistrationCostsOnlyThatPluginDuringASearch) {
  Copy("tp_in", "in.spi");
  Copy("tp_in_multi", "multi.spi");
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  TSPIs spis(nullptr);
  spis.SetOnPictureRegister([](TSPIs&, TInSPI& spi, const std::string&, const std::string&,
                               TGraphicClass&) {
    if (ExtractFileName(spi.FileName()) == "multi.spi") throw EInvalidGraphic("refused");
  });
  EXPECT_NO_THROW(spis.Search(Pattern()));
  EXPECT_EQ(Names(spis), std::vector<std::string>{"in.spi"});
  EXPECT_FALSE(IsModuleLoaded(Dir.Path() / "multi.spi"));

  // Added directly, the plug-in stays in the collection and the exception reaches the caller.
  std::unique_ptr<TSPI> multi = CreateSPI(Copy("tp_in_multi", "direct.spi"));
  ASSERT_NE(multi, nullptr);
  spis.SetOnPictureRegister([](TSPIs&, TInSPI&, const std::string&, const std::string&,
                               TGraphicClass&) { throw EInvalidGraphic("refused"); });
  EXPECT_THROW(spis.Add(std::move(multi)), EInvalidGraphic);
  EXPECT_EQ(Names(spis), (std::vector<std::string>{"in.spi", "direct.spi"}));
}

TEST_F(SPIsTest, RegistrationsOutliveTheCollection) {
  Copy("tp_in", "in.spi");
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  const int before = GetFileFormats().Count();
  {
    TSPIs spis(nullptr);
    spis.Search(Pattern());
  }
  EXPECT_FALSE(IsModuleLoaded(Dir.Path() / "in.spi")) << "destroying unloads";
  EXPECT_EQ(FormatsSince(before),
            std::vector<std::string>{"tsp TDefaultPicture Tintsight test picture"});
}

TEST_F(SPIsTest, FindPluginListPutsThoseNamingTheExtensionFirstLatestFirst) {
  TSPIs spis(nullptr);
  // Collection order: a (.tsp), am (.tsp, not import), b (.tsp), multi (.def .TSP ...), half.
  spis.Add(CreateSPI(Copy("tp_in", "a.spi")));
  spis.Add(CreateSPI(Copy("tp_am", "am.spi")));
  spis.Add(CreateSPI(Copy("tp_in", "b.spi")));
  spis.Add(CreateSPI(Copy("tp_in_multi", "multi.spi")));
  spis.Add(CreateSPI(Copy("tp_in_half", "half.spi")));
  ASSERT_EQ(spis.Count(), 5);

  const std::vector<TSPIClass> import = {TSPIClass::Of<TInSPI>()};
  const std::vector<TSPIClass> every = {TSPIClass::Of<TSPI>()};
  const std::vector<TSPIClass> two = {TSPIClass::Of<TAmSPI>(), TSPIClass::Of<TInSPI>()};
  const std::vector<TSPIClass> none;
  struct Case {
    const std::vector<TSPIClass>* classes;
    const char* fileName;
    std::vector<std::string> expected;
  };
  // The list arrives holding one entry ("-"): matches go before it, the rest after it.
  const Case cases[] = {
      {&import, "photo.tsp", {"multi.spi", "b.spi", "a.spi", "-", "half.spi"}},
      {&import, "PHOTO.TsP", {"multi.spi", "b.spi", "a.spi", "-", "half.spi"}},
      {&import, "x.def", {"multi.spi", "-", "a.spi", "b.spi", "half.spi"}},
      {&import, "x.abc", {"-", "a.spi", "b.spi", "multi.spi", "half.spi"}},
      {&import, "noext", {"-", "a.spi", "b.spi", "multi.spi", "half.spi"}},
      {&import, "", {"-", "a.spi", "b.spi", "multi.spi", "half.spi"}},
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

TEST_F(SPIsTest, ListOperationsCheckPositionsBeforeChangingAnything) {
  TSPIs spis(nullptr);
  spis.Add(CreateSPI(Copy("tp_in", "a.spi")));
  spis.Add(CreateSPI(Copy("tp_am", "b.spi")));
  spis.Insert(0, CreateSPI(Copy("tp_xn", "c.spi")));
  ASSERT_EQ(Names(spis), (std::vector<std::string>{"c.spi", "a.spi", "b.spi"}));

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
      EXPECT_EQ(e.Message(), "リストのインデックスが範囲を超えています (" + std::to_string(c.index) + ")")
          << c.operation;
    }
    EXPECT_EQ(Names(spis), (std::vector<std::string>{"c.spi", "a.spi", "b.spi"})) << c.operation;
  }
  ASSERT_NE(spare, nullptr) << "a refused insertion leaves the object with the caller";

  spis.Exchange(0, 2);
  EXPECT_EQ(Names(spis), (std::vector<std::string>{"b.spi", "a.spi", "c.spi"}));
  spis.Insert(3, std::move(spare));
  EXPECT_EQ(spis.IndexOfSPIName(Dir.Prefix() + "spare.spi"), 3);
  EXPECT_EQ(spis.IndexOfSPIName(Dir.Prefix() + "SPARE.spi"), -1) << "letter case counts";
  EXPECT_EQ(spis.IndexOfSPIName("spare.spi"), -1) << "the whole path counts";

  // Remove of an object that is not held changes nothing and destroys nothing.
  const std::unique_ptr<TSPI> stranger = CreateSPI(Copy("tp_in", "stranger.spi"));
  spis.Remove(stranger.get());
  EXPECT_EQ(spis.Count(), 4);
  EXPECT_EQ(spis.IndexOf(stranger.get()), -1);
  EXPECT_TRUE(IsModuleLoaded(Dir.Path() / "stranger.spi"));

  TSPI* a = spis.Plugins(1);
  EXPECT_EQ(spis.IndexOf(a), 1);
  spis.Remove(a);
  EXPECT_FALSE(IsModuleLoaded(Dir.Path() / "a.spi")) << "Remove destroys";
  spis.Delete(0);
  EXPECT_FALSE(IsModuleLoaded(Dir.Path() / "b.spi")) << "Delete destroys";
  EXPECT_EQ(Names(spis), (std::vector<std::string>{"c.spi", "spare.spi"}));
  spis.Clear();
  EXPECT_EQ(spis.Count(), 0);
  EXPECT_FALSE(IsModuleLoaded(Dir.Path() / "c.spi"));
  EXPECT_FALSE(IsModuleLoaded(Dir.Path() / "spare.spi"));
}

TEST_F(SPIsTest, OnlyOneCollectionAtRunTime) {
  EXPECT_EQ(SusiePlugins(), nullptr);
  {
    TComponent owner(nullptr);
    TSPIs* first = MakeOwnedComponent<TSPIs>(owner);
    EXPECT_EQ(SusiePlugins(), first);
    EXPECT_EQ(first->SearchOptions(),
              (TSPISearchOptions{TSPISearchOption::spsSusieDir, TSPISearchOption::spsAppDir}));
    EXPECT_TRUE(first->AutoSearch());
    try {
      MakeOwnedComponent<TSPIs>(owner);
      ADD_FAILURE() << "a second collection was made";
    } catch (const ESPIDupCreateSPIs& e) {
      EXPECT_EQ(e.Message(), "TSPIs は複数生成できません");
    }
    EXPECT_EQ(SusiePlugins(), first);
    EXPECT_EQ(owner.ComponentCount(), 1);
  }
  EXPECT_EQ(SusiePlugins(), nullptr);
  const TSPIs again(nullptr);
  EXPECT_EQ(SusiePlugins(), &again);
}

TEST_F(SPIsTest, TheDesignStateSkipsTheRunTimeSteps) {
  Copy("tp_in", "in.spi");
  TSPIs::SetDefaultGraphic(TGraphicClass::Of<TDefaultPicture>());
  const int before = GetFileFormats().Count();
  const TSPIs running(nullptr);
  TComponent designer(nullptr);
  designer.SetState(TComponentStateFlag::csDesigning, true);
  TSPIs* designed = MakeOwnedComponent<TSPIs>(designer);  // no second-instance check
  EXPECT_EQ(SusiePlugins(), &running);
  designed->SetSearchOptions(TSPISearchOptions::All());
  designed->Loaded();  // no automatic search
  EXPECT_EQ(designed->Count(), 0);
  designed->Search(Pattern());  // an explicit search still runs, but registers nothing
  EXPECT_EQ(designed->Count(), 1);
  EXPECT_EQ(GetFileFormats().Count(), before);
}

TEST(SPISearchOptions, OneBitPerOrdinal) {
  using enum TSPISearchOption;
  EXPECT_EQ((TSPISearchOptions{spsSusieDir, spsAppDir}).Bits(), 0x03);
  EXPECT_EQ((TSPISearchOptions{spsAppPluginDir, spsCurrentDir}).Bits(), 0x24);
  EXPECT_EQ(TSPISearchOptions::FromBits(0xFF), TSPISearchOptions::All());
  EXPECT_FALSE(TSPISearchOptions::All().Exclude(spsSystemDir).Contains(spsSystemDir));
}

}  // namespace
