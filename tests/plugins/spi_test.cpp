#include "plugins/spi.h"

#include <gtest/gtest.h>

#include <vector>

#include "plugin_test_support.h"
#include "plugins/am_spi.h"
#include "plugins/create_spi.h"
#include "plugins/in_spi.h"
#include "plugins/spi_exceptions.h"

namespace fs = std::filesystem;

namespace {

using plugin_test::CopyPlugin;
using plugin_test::IsModuleLoaded;
using plugin_test::Text;

TEST(CreateSPI, ClassifiesByTheExactVersionTextAndUndoesEveryLoad) {
  struct Case {
    const char* variant;  // null: a file of `content`
    const char* content;
    const char* className;  // null: no plug-in results
    const char* version;
  };
  const Case cases[] = {
      {"tp_in", "", "TInSPI", "00IN"},
      {"tp_in_no_preview", "", "TInSPI", "00IN"},
      {"tp_am", "", "TAmSPI", "00AM"},
      {"tp_xn", "", "TXnSPI", "00XN"},
      {"tp_in_lower", "", "TSPI", "00in"},
      {"tp_no_version", "", "TSPI", ""},
      {"tp_no_plugin_info", "", nullptr, ""},
      {"tp_in_no_is_supported", "", nullptr, ""},
      {"tp_in_no_picture_info", "", nullptr, ""},
      {"tp_in_no_picture", "", nullptr, ""},
      {nullptr, "MZ but not really a module", nullptr, ""},
      {nullptr, "", nullptr, ""},
  };
  plugin_test::TTempDir dir;
  int index = 0;
  for (const Case& c : cases) {
    const std::string what = c.variant != nullptr ? c.variant : "'" + std::string(c.content) + "'";
    const fs::path path = dir.Path() / (std::to_string(index++) + ".spi");
    if (c.variant != nullptr) {
      CopyPlugin(c.variant, dir.Path(), Text(path.filename()));
    } else {
      plugin_test::WriteFile(path, c.content);
    }
    {
      const std::unique_ptr<TSPI> spi = CreateSPI(Text(path));
      if (c.className == nullptr) {
        EXPECT_EQ(spi, nullptr) << what;
      } else {
        ASSERT_NE(spi, nullptr) << what;
        EXPECT_STREQ(spi->ClassName(), c.className) << what;
        EXPECT_EQ(spi->APIVersion(), c.version) << what;
        EXPECT_EQ(spi->PluginName(), "Tintsight test plug-in") << what;
        EXPECT_EQ(spi->FileName(), Text(path)) << what;
        EXPECT_TRUE(IsModuleLoaded(path)) << what << ": the probe's release keeps it loaded";
      }
    }
    EXPECT_FALSE(IsModuleLoaded(path)) << what;
  }
  EXPECT_EQ(CreateSPI(Text(dir.Path() / "missing.spi")), nullptr);
}

TEST(SPI, ReadsFilterPairsUntilEitherCallOfAPairAnswersNothing) {
  struct Case {
    const char* variant;
    std::vector<std::string> extNames;
    std::vector<std::string> fileTypes;
  };
#ifdef _WIN32
  const std::string dirFilter = "dir.x\\*";
#else
  const std::string dirFilter = "dir.x/*";
#endif
  const Case cases[] = {
      {"tp_in", {"*.tsp"}, {"Tintsight test picture"}},
      {"tp_in_multi",
       {"*.abc;*.Def", "*", dirFilter, "*.TSP"},
       {"Several patterns", "No extension", "Dot in the directory", "Test picture, upper case"}},
      {"tp_in_half", {}, {}},
  };
  plugin_test::TTempDir dir;
  for (const Case& c : cases) {
    const TSPI spi(Text(CopyPlugin(c.variant, dir.Path(), std::string(c.variant) + ".spi")));
    EXPECT_EQ(spi.GetExtNames(), c.extNames) << c.variant;
    EXPECT_EQ(spi.GetFileTypes(), c.fileTypes) << c.variant;
  }
}

TEST(SPI, FailuresCarryTheirMessagesAndReleaseTheModule) {
  plugin_test::TTempDir dir;
  plugin_test::WriteFile(dir.Path() / "text.spi", "no module");
  const std::string text = Text(dir.Path() / "text.spi");
  const std::string noInfo = Text(CopyPlugin("tp_no_plugin_info", dir.Path(), "noinfo.spi"));
  const std::string noPicture = Text(CopyPlugin("tp_in_no_picture", dir.Path(), "nopic.spi"));
  const std::string noSupported =
      Text(CopyPlugin("tp_in_no_is_supported", dir.Path(), "nosupported.spi"));
  const std::string noLoad = ":Susie Pluginがロードできませんでした";
  const std::string invalid = ":認識できないSusie Pluginです";
  struct Case {
    TSPIClass spiClass;
    std::string path;
    std::string message;  // of ESPIFOpenErrorSPI when it names a load, else of ESPIInvalidSPI
  };
  const Case cases[] = {
      {TSPIClass::Of<TSPI>(), text, text + noLoad},
      {TSPIClass::Of<TInSPI>(), text, text + noLoad},
      {TSPIClass::Of<TSPI>(), noInfo, noInfo + invalid},
      {TSPIClass::Of<TAmSPI>(), noInfo, noInfo + invalid},
      {TSPIClass::Of<TInSPI>(), noSupported, noSupported + invalid},
      {TSPIClass::Of<TInSPI>(), noPicture, noPicture + invalid},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.spiClass.ClassName()) + " " + c.path;
    const bool openError = c.message.ends_with(noLoad);
    try {
      c.spiClass.Create(c.path);
      ADD_FAILURE() << what << ": no exception";
    } catch (const ESPIFOpenErrorSPI& e) {
      EXPECT_TRUE(openError) << what;
      EXPECT_EQ(e.Message(), c.message) << what;
    } catch (const ESPIInvalidSPI& e) {
      EXPECT_FALSE(openError) << what;
      EXPECT_EQ(e.Message(), c.message) << what;
    }
    EXPECT_FALSE(IsModuleLoaded(fs::u8path(c.path))) << what;
  }
  // A module that lacks only picture entry points opens as any class that does not need them.
  EXPECT_NO_THROW(TAmSPI{noSupported});
  EXPECT_NO_THROW(TSPI{noPicture});
}

std::vector<std::intptr_t> ProgressData;

std::int32_t SPI_API RecordProgress(std::int32_t, std::int32_t, std::intptr_t lData) {
  ProgressData.push_back(lData);
  return 0;
}

// The other entry points are watched through the probe plug-in in the picture tests.
TEST(InSPI, GetPreviewCallsTheModuleWhenExportedAndFailsWithItsMessageWhenNot) {
  plugin_test::TTempDir dir;
  TInSPI spi(Text(CopyPlugin("tp_in", dir.Path(), "in.spi")));
  ASSERT_TRUE(spi.HasPreview());
  // A 1 x 2 picture in the test plug-ins' format, padded to the 2048 bytes of a head.
  std::vector<char> picture = {'T', 'S', 'T', 'P', 1, 0, 2, 0};
  picture.resize(2048, 1);
  struct Case {
    std::int32_t length, flag, result;
  };
  for (const Case& c : {Case{14, 1, SPI_SUCCESS}, Case{13, 1, SPI_UNKNOWN_FORMAT},
                        Case{14, 0, SPI_UNKNOWN_FORMAT}}) {
    ProgressData.clear();
    TSpiHandle header = nullptr;
    TSpiHandle bits = nullptr;
    EXPECT_EQ(spi.GetPreview(picture.data(), c.length, c.flag, header, bits, RecordProgress, 77),
              c.result)
        << "length " << c.length << " flag " << c.flag;
    EXPECT_EQ(ProgressData, std::vector<std::intptr_t>(c.result == SPI_SUCCESS ? 2 : 0, 77));
    EXPECT_EQ(SpiLocalSize(bits), c.result == SPI_SUCCESS ? 8u : 0u) << "two rows of 3 + 1 bytes";
    if (header != nullptr) SpiLocalFree(header);
    if (bits != nullptr) SpiLocalFree(bits);
  }

  TInSPI noPreview(Text(CopyPlugin("tp_in_no_preview", dir.Path(), "nopreview.spi")));
  EXPECT_FALSE(noPreview.HasPreview());
  TSpiHandle info = nullptr;
  TSpiHandle bits = nullptr;
  try {
    noPreview.GetPreview(picture.data(), 14, 1, info, bits, nullptr, 0);
    ADD_FAILURE() << "GetPreview: no exception";
  } catch (const ESPIInvalidAPI& e) {
    EXPECT_EQ(e.Message(),
              "GetPreviewは[" + noPreview.FileName() + "]では使えないSusie Plugin APIです");
  }
}

}  // namespace
