// A plug-in that faults costs one load, not the window: one that faults while loading is passed
// over when the window is made, and one that faults, ends or hangs its helper, or damages its
// heap while decoding leaves the shown picture as it was, after which loading, analysing and
// saving go on working.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "dialog_driver.h"
#include "plugin_test_support.h"
#include "plugins/local_spi_module.h"
#include "plugins/plugin_host_link.h"
#include "plugins/spis.h"

namespace app_test {
namespace {

// The test plug-in's own format: "TSTP", width and height (16 bits each), then blue, green, red
// per pixel, rows from the top.
std::vector<std::uint8_t> TspBytes(const TPicture24& picture) {
  std::vector<std::uint8_t> bytes = {'T', 'S', 'T', 'P'};
  for (const int size : {picture.Width, picture.Height}) {
    bytes.push_back(static_cast<std::uint8_t>(size));
    bytes.push_back(static_cast<std::uint8_t>(size >> 8));
  }
  for (const std::uint32_t pixel : picture.Pixels) {
    for (const int shift : {0, 8, 16}) bytes.push_back(static_cast<std::uint8_t>(pixel >> shift));
  }
  return bytes;
}

void Load(Ttintsight1Form& form, const std::string& path) {
  const TDialogDriver driver({TDialogDriver::ChooseFile(path)});
  ::SendMessageW(form.LoadButton->Handle(), BM_CLICK, 0, 0);
  TApplication::Current()->ProcessMessages();
}

TEST(MainWindowPluginFaults, AFaultingPlugInCostsOneLoadAndTheWindowGoesOn) {
  plugin_test::TTempDir folder;
  const std::string prefix = folder.Prefix();
  char previous[MAX_PATH] = {};
  ::GetCurrentDirectoryA(MAX_PATH, previous);
  for (const char* place : {"loading", "decoding"}) {
    ::CreateDirectoryA((prefix + place).c_str(), nullptr);
    plugin_test::CopyPlugin("tp_in_faulty", prefix + place, "faulty.spi");
  }

  // Faulting while loading: the window is made without it.
  ::SetCurrentDirectoryA((prefix + "loading").c_str());
  ::SetEnvironmentVariableA("TP_FAULT", "load:null");
  {
    TApplication application;
    application.CreateForm(tintsight1Form);
    EXPECT_EQ(tintsight1Form->SPIs->Count(), 0);
    tintsight1Form = nullptr;
  }

  // In the window's own process under the guard, then in the plug-in helper: the helper's end,
  // a call that never returns, a heap overrun found after the call.
  struct TCase {
    const char* Fault;
    bool Helper;
    bool MayDecode;  // the faulty call may still deliver its picture
  };
  const TCase cases[] = {{"GetPicture:null", false, false},
                         {"GetPicture:exit", true, false},
                         {"GetPicture:hang", true, false},
                         {"GetPicture:heap", true, true}};
  const std::string faultFile = prefix + "fault.txt";
  ::SetEnvironmentVariableA("TP_FAULT_FILE", faultFile.c_str());
  SetPluginHostPath(TS_PLUGIN_HOST_PATH);
  SetPluginTimeout(1);
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Fault) + (c.Helper ? " in the helper" : ""));
    ::SetEnvironmentVariableA("TP_FAULT", c.Helper ? nullptr : c.Fault);
    WriteFile(faultFile, std::vector<std::uint8_t>(c.Fault, c.Fault + std::strlen(c.Fault)));
    if (c.Helper) UsePluginHost();
    // (The open dialog leaves the current directory where the chosen file lies.)
    ::SetCurrentDirectoryA((prefix + "decoding").c_str());
    TApplication application;
    application.CreateForm(tintsight1Form);
    Ttintsight1Form& form = *tintsight1Form;
    ASSERT_EQ(form.SPIs->Count(), 1);
    form.Show();
    const TPicture24 first = Pattern(5, 3);
    const TPicture24 second = Pattern(7, 2);
    WriteFile(prefix + "first.bmp", BmpBytes(first));
    WriteFile(prefix + "second.tsp", TspBytes(second));
    Load(form, prefix + "first.bmp");
    Load(form, prefix + "second.tsp");
    if (!c.MayDecode || PixelsOf(*form.SourceBitmap) != second.Pixels) {
      EXPECT_EQ(PixelsOf(*form.SourceBitmap), first.Pixels) << "the fault changed nothing";
      EXPECT_EQ(PixelsOf(*static_cast<const TBitmap*>(form.Image1->Picture().Graphic())),
                first.Pixels);
    }

    ::SetEnvironmentVariableA("TP_FAULT", nullptr);
    WriteFile(faultFile, {});
    Load(form, prefix + "second.tsp");
    EXPECT_EQ(PixelsOf(*form.SourceBitmap), second.Pixels) << "the same plug-in decodes now";
    ::SendMessageW(form.CalcConditionRadioGroup->ItemHandle(5), BM_CLICK, 0, 0);
    ::SendMessageW(form.CalcButton->Handle(), BM_CLICK, 0, 0);
    {
      const TDialogDriver driver({TDialogDriver::ChooseFile(prefix + "saved.bmp")});
      ::SendMessageW(form.SaveButton->Handle(), BM_CLICK, 0, 0);
    }
    TBitmap saved;
    saved.LoadFromFile(prefix + "saved.bmp");
    EXPECT_EQ(PixelsOf(saved), Analysed(second.Pixels, 5));
    tintsight1Form = nullptr;
    ::DeleteFileA((prefix + "saved.bmp").c_str());
    SetSpiModuleOpener(&TLocalSpiModule::Open);
  }
  ::SetEnvironmentVariableA("TP_FAULT_FILE", nullptr);
  SetPluginTimeout(60);
  ::SetCurrentDirectoryA(previous);
}

}  // namespace
}  // namespace app_test
