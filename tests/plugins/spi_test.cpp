#include "plugins/spi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/text.h"
#include "plugin_test_support.h"
#include "plugins/am_spi.h"
#include "plugins/create_spi.h"
#include "plugins/in_spi.h"
#include "plugins/spi_exceptions.h"
#include "plugins/xn_spi.h"
#include "rtl/file_name.h"

namespace fs = std::filesystem;

namespace {

using plugin_test::CopyPlugin;
using plugin_test::IsModuleLoaded;
using plugin_test::Text;

TEST(CreateSPI, ClassifiesByTheExactVersionText) {
  struct Case {
    const char* variant;
    const char* className;  // null: no plug-in results
    const char* version;
  };
  const Case cases[] = {
      {"tp_in", "TInSPI", "00IN"},
      {"tp_in_no_preview", "TInSPI", "00IN"},
      {"tp_am", "TAmSPI", "00AM"},
      {"tp_xn", "TXnSPI", "00XN"},
      {"tp_in_lower", "TSPI", "00in"},
      {"tp_no_version", "TSPI", ""},
      {"tp_no_plugin_info", nullptr, ""},
      {"tp_in_no_is_supported", nullptr, ""},
      {"tp_in_no_picture_info", nullptr, ""},
      {"tp_in_no_picture", nullptr, ""},
  };
  plugin_test::TTempDir dir;
  for (const Case& c : cases) {
    const fs::path path = CopyPlugin(c.variant, dir.Path(), std::string(c.variant) + ".spi");
    {
      const std::unique_ptr<TSPI> spi = CreateSPI(Text(path));
      if (c.className == nullptr) {
        EXPECT_EQ(spi, nullptr) << c.variant;
      } else {
        ASSERT_NE(spi, nullptr) << c.variant;
        EXPECT_STREQ(spi->ClassName(), c.className) << c.variant;
        EXPECT_EQ(spi->APIVersion(), c.version) << c.variant;
        EXPECT_EQ(spi->PluginName(), "Tintsight test plug-in") << c.variant;
        EXPECT_EQ(spi->FileName(), Text(path)) << c.variant;
        EXPECT_NE(spi->Handle(), nullptr) << c.variant;
        EXPECT_TRUE(IsModuleLoaded(path)) << c.variant << ": the probe's release keeps it loaded";
      }
    }
    // Every load is undone: by the object, or by the failed construction.
    EXPECT_FALSE(IsModuleLoaded(path)) << c.variant;
  }
}

TEST(CreateSPI, WhatIsNoModuleGivesNull) {
  plugin_test::TTempDir dir;
  plugin_test::WriteFile(dir.Path() / "text.spi", "MZ but not really a module");
  plugin_test::WriteFile(dir.Path() / "empty.spi", "");
  for (const fs::path& path :
       {dir.Path() / "text.spi", dir.Path() / "empty.spi", dir.Path() / "missing.spi"}) {
    EXPECT_EQ(CreateSPI(Text(path)), nullptr) << Text(path);
  }
}

TEST(CreateSPI, TheChosenClassDescribesTheModuleAgain) {
  plugin_test::TTempDir dir;
  const fs::path path = CopyPlugin("tp_in", dir.Path(), "in.spi");
  const std::unique_ptr<TSPI> spi = CreateSPI(Text(path));
  ASSERT_NE(spi, nullptr);
  // One description asks numbers 0 to 3 and then 4, which ends the list; the probe and the
  // result each read it.
  EXPECT_EQ(plugin_test::CallCount(path, "GetPluginInfo"), 2 * 5);
  EXPECT_EQ(plugin_test::CallCount(path, "IsSupported"), 0);
}

TEST(SPI, ReadsFilterPairsUntilEitherCallOfAPairAnswersNothing) {
  struct Case {
    const char* variant;
    std::vector<std::string> extNames;
    std::vector<std::string> fileTypes;
    int infoCalls;  // calls of one description
  };
#ifdef _WIN32
  const std::string dirFilter = "dir.x\\*";
#else
  const std::string dirFilter = "dir.x/*";
#endif
  const Case cases[] = {
      {"tp_in", {"*.tsp"}, {"Tintsight test picture"}, 5},
      {"tp_in_multi",
       {"*.abc;*.Def", "*", dirFilter, "*.TSP"},
       {"Several patterns", "No extension", "Dot in the directory", "Test picture, upper case"},
       11},
      {"tp_in_half", {}, {}, 4},
      {"tp_no_version", {"*.tsp"}, {"Tintsight test picture"}, 5},
  };
  plugin_test::TTempDir dir;
  for (const Case& c : cases) {
    const fs::path path = CopyPlugin(c.variant, dir.Path(), std::string(c.variant) + ".spi");
    const TSPI spi(Text(path));
    EXPECT_EQ(spi.GetExtNames(), c.extNames) << c.variant;
    EXPECT_EQ(spi.GetFileTypes(), c.fileTypes) << c.variant;
    EXPECT_EQ(plugin_test::CallCount(path, "GetPluginInfo"), c.infoCalls) << c.variant;
  }
}

TEST(SPI, ConstructionFailuresCarryTheirMessages) {
  plugin_test::TTempDir dir;
  plugin_test::WriteFile(dir.Path() / "text.spi", "no module");
  const std::string text = Text(dir.Path() / "text.spi");
  const std::string noInfo = Text(CopyPlugin("tp_no_plugin_info", dir.Path(), "noinfo.spi"));
  const std::string noPicture = Text(CopyPlugin("tp_in_no_picture", dir.Path(), "nopic.spi"));
  const std::string noSupported =
      Text(CopyPlugin("tp_in_no_is_supported", dir.Path(), "nosupported.spi"));

  struct Case {
    TSPIClass spiClass;
    std::string path;
    bool openError;  // ESPIFOpenErrorSPI, else ESPIInvalidSPI
    std::string message;
  };
  const Case cases[] = {
      {TSPIClass::Of<TSPI>(), text, true, text + ":Susie Pluginがロードできませんでした"},
      {TSPIClass::Of<TInSPI>(), text, true, text + ":Susie Pluginがロードできませんでした"},
      {TSPIClass::Of<TSPI>(), noInfo, false, noInfo + ":認識できないSusie Pluginです"},
      {TSPIClass::Of<TAmSPI>(), noInfo, false, noInfo + ":認識できないSusie Pluginです"},
      {TSPIClass::Of<TInSPI>(), noSupported, false, noSupported + ":認識できないSusie Pluginです"},
      {TSPIClass::Of<TInSPI>(), noPicture, false, noPicture + ":認識できないSusie Pluginです"},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.spiClass.ClassName()) + " " + c.path;
    try {
      c.spiClass.Create(c.path);
      ADD_FAILURE() << what << ": no exception";
    } catch (const ESPIFOpenErrorSPI& e) {
      EXPECT_TRUE(c.openError) << what;
      EXPECT_EQ(e.Message(), c.message) << what;
    } catch (const ESPIInvalidSPI& e) {
      EXPECT_FALSE(c.openError) << what;
      EXPECT_EQ(e.Message(), c.message) << what;
    }
    EXPECT_FALSE(IsModuleLoaded(fs::u8path(c.path))) << what;
  }
  // A module that lacks only picture entry points opens as any class that does not need them.
  EXPECT_NO_THROW(TAmSPI{noSupported});
  EXPECT_NO_THROW(TSPI{noPicture});
}

TEST(InSPI, GetPreviewThatIsNotExportedFailsWithItsMessage) {
  plugin_test::TTempDir dir;
  const fs::path path = CopyPlugin("tp_in_no_preview", dir.Path(), "nopreview.spi");
  TInSPI spi(Text(path));
  EXPECT_FALSE(spi.HasPreview());
  TSpiHandle info = nullptr;
  TSpiHandle bits = nullptr;
  try {
    spi.GetPreview("", 0, 1, info, bits, nullptr, 0);
    FAIL() << "no exception";
  } catch (const ESPIInvalidAPI& e) {
    EXPECT_EQ(e.Message(), "GetPreviewは[" + spi.FileName() + "]では使えないSusie Plugin APIです");
  }
  EXPECT_EQ(plugin_test::CallCount(path, "GetPreview"), 0);
}

// A picture in the test plug-ins' format: "TSTP", width, height, then blue-green-red pixels.
std::vector<char> TestPicture(int width, int height) {
  std::vector<char> data = {'T', 'S', 'T', 'P', static_cast<char>(width), 0,
                            static_cast<char>(height), 0};
  for (int i = 0; i < width * height * 3; ++i) data.push_back(static_cast<char>(i + 1));
  data.resize(std::max<std::size_t>(data.size(), 2048), '\0');
  return data;
}

struct ProgressLog {
  std::vector<std::intptr_t> Data;
  std::int32_t Answer = 0;
};
ProgressLog Progress;

std::int32_t SPI_API RecordProgress(std::int32_t, std::int32_t, std::intptr_t lData) {
  Progress.Data.push_back(lData);
  return Progress.Answer;
}

TEST(InSPI, PassesResultsOnUnchanged) {
  plugin_test::TTempDir dir;
  const fs::path path = CopyPlugin("tp_in", dir.Path(), "in.spi");
  TInSPI spi(Text(path));
  const std::vector<char> picture = TestPicture(3, 2);
  const std::int32_t length = 8 + 3 * 2 * 3;
  std::vector<char> foreign(2048, 'x');

  struct Case {
    const std::vector<char>* data;
    std::int32_t length;
    std::int32_t flag;
    std::int32_t progressAnswer;
    std::int32_t supported, info, decoded;
  };
  const Case cases[] = {
      {&picture, length, 1, 0, 1, SPI_SUCCESS, SPI_SUCCESS},
      {&picture, length, 1, 1, 1, SPI_SUCCESS, SPI_ABORT},
      {&picture, length - 1, 1, 0, 1, SPI_UNKNOWN_FORMAT, SPI_UNKNOWN_FORMAT},
      {&picture, length, 0, 0, 1, SPI_UNKNOWN_FORMAT, SPI_UNKNOWN_FORMAT},
      {&foreign, 2048, 1, 0, 0, SPI_UNKNOWN_FORMAT, SPI_UNKNOWN_FORMAT},
  };
  for (const Case& c : cases) {
    const std::string what = "length " + std::to_string(c.length) + " flag " +
                             std::to_string(c.flag) + " progress " +
                             std::to_string(c.progressAnswer);
    EXPECT_EQ(spi.IsSupported("a.tsp", reinterpret_cast<std::uintptr_t>(c.data->data())),
              c.supported)
        << what;
    TPictureInfo info{};
    EXPECT_EQ(spi.GetPictureInfo(c.data->data(), c.length, c.flag, info), c.info) << what;
    if (c.info == SPI_SUCCESS) {
      EXPECT_EQ(info.width, 3);
      EXPECT_EQ(info.height, 2);
      EXPECT_STREQ(static_cast<const char*>(SpiLocalLock(info.hInfo)), "Tintsight test picture");
      SpiLocalUnlock(info.hInfo);
      SpiLocalFree(info.hInfo);
    }
    Progress = {{}, c.progressAnswer};
    TSpiHandle header = nullptr;
    TSpiHandle bits = nullptr;
    EXPECT_EQ(spi.GetPicture(c.data->data(), c.length, c.flag, header, bits, RecordProgress, 77),
              c.decoded)
        << what;
    if (c.decoded == SPI_SUCCESS) {
      ASSERT_NE(header, nullptr);
      ASSERT_NE(bits, nullptr);
      EXPECT_EQ(SpiLocalSize(header), 40u);
      EXPECT_EQ(SpiLocalSize(bits), 2u * 12u) << "rows of 9 bytes padded to 12";
      const auto* row = static_cast<const unsigned char*>(SpiLocalLock(bits));
      EXPECT_EQ(row[0], 10) << "bottom-up: the last row of the picture comes first";
      SpiLocalUnlock(bits);
      SpiLocalFree(header);
      SpiLocalFree(bits);
      EXPECT_EQ(Progress.Data, std::vector<std::intptr_t>(2, 77));
    } else {
      EXPECT_EQ(header, nullptr) << what;
      EXPECT_EQ(bits, nullptr) << what;
    }
  }
  // The preview entry point is bound in this module and behaves alike.
  TSpiHandle header = nullptr;
  TSpiHandle bits = nullptr;
  Progress = {};
  ASSERT_EQ(spi.GetPreview(picture.data(), length, 1, header, bits, RecordProgress, 0),
            SPI_SUCCESS);
  SpiLocalFree(header);
  SpiLocalFree(bits);
}

}  // namespace
