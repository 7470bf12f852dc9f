// The loading engine over the plug-in collection: order of the decoders, the memory image, the
// probe buffer, the second attempt, the information record, the release of every plug-in block.
#include "pictures/in_spi_able.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/graphic.h"
#include "picture_fixtures.h"
#include "pictures/joined_memory_stream.h"
#include "probe_bench.h"
#include "rtl/exception.h"
#include "rtl/file_name.h"
#include "rtl/stream.h"

namespace {

using fixtures::TBytes;
using probe_bench::Calls;
using probe_bench::CallsOf;
using probe_bench::Note;

std::string Events() {
  std::string text;
  for (const std::string& e : probe_bench::Events) text += (text.empty() ? "" : " ") + e;
  return text;
}

// A picture that does nothing of its own; its stream loading leads back to the engine, as in
// every class that embeds one.
class TTestGraphic : public TGraphic {
 public:
  TS_CLASS_NAME(TTestGraphic)
  TGraphicClass ClassType() const override { return TGraphicClass::Of<TTestGraphic>(); }
  bool Empty() const override { return true; }
  int Width() const override { return 0; }
  int Height() const override { return 0; }
  void LoadFromStream(TStream& stream) override { Able->LoadFromStream(stream); }
  void StoreToStream(TStream&) override {}

  TInSPIAble* Able = nullptr;
};

// The native decoder of the running test: it decodes (reading 3 bytes), or raises an Exception,
// or raises another exception. It notes where the stream stood.
enum class TNative { nDecodes, nRaisesException, nRaisesOther };
TNative NativeMode = TNative::nRaisesException;
std::vector<std::int64_t> NativePositions;

void NativeLoad(TGraphic&, TStream& stream) {
  Note("native");
  NativePositions.push_back(stream.Position());
  switch (NativeMode) {
    case TNative::nDecodes:
      stream.Seek(3, TSeekOrigin::soCurrent);
      return;
    case TNative::nRaisesException:
      throw EInvalidGraphic(std::string("native refuses"));
    case TNative::nRaisesOther:
      throw std::runtime_error("native breaks");
  }
}

void FileLoad(TGraphic& graphic, const std::string& fileName) {
  graphic.TGraphic::LoadFromFile(fileName);
}

void ExpectInvalidGraphic(const std::function<void()>& load, const std::string& what) {
  try {
    load();
    ADD_FAILURE() << what << ": nothing decodes, yet no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "認識できない画像形式です") << what;
  }
}

// What the receiver does with a decoded picture, and what it saw.
enum class TReceive { rTakes, rLeaves, rRaises };
struct TReceived {
  std::size_t HeaderSize = 0;
  std::uint8_t FirstBit = 0;
  TPictureInfoRec Info;
  std::string Ext, FileName;  // the engine's during the call
};

class InSPIAbleTest : public ::testing::Test {
 protected:
  InSPIAbleTest() {
    NativeMode = TNative::nRaisesException;
    NativePositions.clear();
    Graphic.Able = &Able;
    Able.SetNativeExt("BMP");
    Able.SetLoadFromFileProc(FileLoad);
    Able.SetLoadFromStreamProc(NativeLoad);
    Able.SetLoadFromSPIProc([this](std::span<const std::uint8_t> info,
                                   std::span<const std::uint8_t> bits,
                                   const TPictureInfoRec& record, bool& done) {
      Note("receiver");
      Received.push_back({info.size(), bits.empty() ? std::uint8_t{0} : bits[0], record, Able.Ext(),
                          Able.FileName()});
      if (Receive == TReceive::rRaises) throw EInvalidGraphic(std::string("receiver refuses"));
      done = Receive == TReceive::rTakes;
    });
  }

  // Loads `bytes` from a memory stream, under `name` unless it is empty.
  void Load(const TBytes& bytes, const std::string& name = "") {
    probe_bench::ClearLog();
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    if (name.empty()) {
      Able.LoadFromStream(stream);
    } else {
      Able.LoadFromStreamWithName(stream, name);
    }
  }

  static TProbeConfig Probe(const char* filter, std::int32_t mode,
                            std::int32_t pictureResult = SPI_SUCCESS) {
    TProbeConfig config = probe_bench::AcceptingProbe();
    std::strncpy(config.Filter, filter, sizeof config.Filter - 1);
    config.Mode = mode;
    config.PictureResult = pictureResult;
    return config;
  }

  probe_bench::TProbeBench Bench;
  TTestGraphic Graphic;
  TInSPIAble Able{&Graphic};
  TReceive Receive = TReceive::rTakes;
  std::vector<TReceived> Received;
};

const TBytes kSomeBytes(300, 0x5A);

TEST_F(InSPIAbleTest, ExtensionDecidesWhetherNativeOrPluginsComeFirst) {
  Bench.AddProbe("a", Probe("*.jpg", pmNever));
  Bench.AddProbe("b", Probe("*.png", pmNever));
  Bench.AddProbe("c", Probe("*.JPG", pmNever));
  struct TCase {
    std::string Name;
    bool NativeDecodes;
    std::string Expected;
  };
  const std::string nativeThenAll = "native a:IsSupported b:IsSupported c:IsSupported";
  const TCase cases[] = {
      // The plug-ins naming the extension first (the later one in the collection first), the
      // rest in collection order, the native decoder last.
      {"photo.JPG", false, "c:IsSupported a:IsSupported b:IsSupported native"},
      {"photo.png", false, "b:IsSupported a:IsSupported c:IsSupported native"},
      {"photo.jpg", true, "c:IsSupported a:IsSupported b:IsSupported native"},
      {"photo.tif", false, "a:IsSupported b:IsSupported c:IsSupported native"},
      // Native first: its extension in any case, no extension, a dot only in the directory, no
      // name.
      {"picture.bmp", false, nativeThenAll},
      {"PICTURE.BMP", false, nativeThenAll},
      {"picture.Bmp", true, "native"},
      {"picture", false, nativeThenAll},
      {std::string("dir.x") + PathDelimiter() + "picture", false, nativeThenAll},
      {"", false, nativeThenAll},
      {"", true, "native"},
  };
  for (const TCase& c : cases) {
    NativeMode = c.NativeDecodes ? TNative::nDecodes : TNative::nRaisesException;
    if (c.NativeDecodes) {
      EXPECT_NO_THROW(Load(kSomeBytes, c.Name)) << "'" << c.Name << "'";
    } else {
      ExpectInvalidGraphic([&] { Load(kSomeBytes, c.Name); }, "'" + c.Name + "'");
    }
    EXPECT_EQ(Events(), c.Expected) << "'" << c.Name << "'";
  }
}

TEST_F(InSPIAbleTest, EachAttemptSeesItsDataZeroPaddedTo2048BytesWithItsTrueLength) {
  Bench.AddProbe("a", Probe("*.prb", pmAlways, SPI_UNKNOWN_FORMAT));
  struct TCase {
    std::int32_t Size;
    bool Skip;
    std::vector<std::int32_t> Lengths;  // of the attempts: the second leaves out 128 bytes
  };
  const TCase cases[] = {
      {0, true, {0}},
      {1, false, {1}},
      {128, true, {128}},
      {129, true, {129, 1}},
      {129, false, {129}},
      {2047, false, {2047}},
      {2048, true, {2048, 1920}},
      {3000, true, {3000, 2872}},
      {5000, false, {5000}},
  };
  for (const TCase& c : cases) {
    const std::string what = std::to_string(c.Size) + " bytes, skip " + std::to_string(c.Skip);
    TBytes bytes(static_cast<std::size_t>(c.Size));
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    TMemoryStream stream;
    if (c.Size > 0) stream.WriteBuffer(bytes.data(), c.Size);
    probe_bench::ClearLog();
    Able.SetSkipLeadingHeader(c.Skip);
    EXPECT_THROW(Able.LoadFromStreamWithName(stream, "x.prb"), EInvalidGraphic) << what;
    ASSERT_EQ(Calls.size(), 3 * c.Lengths.size()) << what << ": " << Events();
    for (std::size_t i = 0; i < Calls.size(); ++i) {
      const TProbeCall& call = Calls[i];
      const std::int32_t offset = i < 3 ? 0 : 128;
      const std::int32_t length = c.Lengths[i / 3];
      const std::string at = what + ", " + call.Entry + " of attempt " + std::to_string(i / 3);
      EXPECT_EQ(call.Address == reinterpret_cast<std::uintptr_t>(stream.Memory() + offset),
                length >= 2048)
          << at << ": offered in place only from 2048 bytes";
      for (std::int32_t j = 0; j < 2048; ++j) {
        const std::uint8_t expected = j < length ? bytes[offset + j] : 0;
        if (call.Head[j] != expected) {
          ADD_FAILURE() << at << ": byte " << j << " expected " << int{expected} << " got "
                        << int{call.Head[j]};
          break;
        }
      }
      if (std::string(call.Entry) != "IsSupported") {
        EXPECT_EQ(call.Length, length) << at;
        EXPECT_EQ(call.Flag, SPI_INPUT_MEMORY) << at;
      }
    }
  }
}

TEST_F(InSPIAbleTest, TheReceiverGetsTheBlocksAndWhatGetPictureInfoReported) {
  struct TCase {
    const char* What;
    std::int32_t InfoResult;
    std::int32_t TextBlockSize;
    TBytes Text;
    std::string ExpectedText;
  };
  const TCase cases[] = {
      {"no text block", SPI_SUCCESS, -1, {}, ""},
      {"text up to its NUL", SPI_SUCCESS, 16, {'h', 'i', 0, 'y', 'o', 'u'}, "hi"},
      {"text without a NUL fills the block", SPI_SUCCESS, 5, {'a', 'b', 'c', 'd', 'e'}, "abcde"},
      {"failed GetPictureInfo", SPI_UNKNOWN_FORMAT, 8, {'x'}, ""},
  };
  int index = 0;
  for (const TCase& c : cases) {
    TProbeConfig config = Probe("*.prb", pmAlways);
    config.PictureInfoResult = c.InfoResult;
    config.InfoTextBlockSize = c.TextBlockSize;
    std::copy(c.Text.begin(), c.Text.end(), config.InfoText);
    config.Left = -3;
    config.Top = 4;
    config.XDensity = 72;
    config.YDensity = 96;
    Bench.Collection().Clear();  // each case's probe alone in the collection
    Bench.AddProbe("p" + std::to_string(index++), config);
    Received.clear();
    Load(kSomeBytes, "photo.prb");
    ASSERT_EQ(Received.size(), 1u) << c.What;
    const TPictureInfoRec& info = Received[0].Info;
    const bool valid = c.InfoResult == SPI_SUCCESS;
    EXPECT_EQ(info.InfoValid, valid) << c.What;
    EXPECT_EQ(info.InfoText, c.ExpectedText) << c.What;
    if (valid) {
      EXPECT_EQ(std::vector<int>({info.left, info.top, info.width, info.height, info.x_density,
                                  info.y_density, info.colorDepth}),
                std::vector<int>({-3, 4, 1, 1, 72, 96, 24}))
          << c.What;
    }
    EXPECT_EQ(Received[0].HeaderSize, 40u) << c.What;
    EXPECT_EQ(Received[0].FirstBit, 10) << c.What;
    EXPECT_STREQ(CallsOf("IsSupported").at(0).FileName, "photo.prb") << c.What;
    EXPECT_EQ(Received[0].Ext, ".prb") << c.What;
    // The progress callback lets the plug-in go on and carries the engine.
    EXPECT_EQ(CallsOf("GetPicture").at(0).ProgressAnswer, 0) << c.What;
    EXPECT_EQ(CallsOf("GetPicture").at(0).LData, reinterpret_cast<std::intptr_t>(&Able));
  }
  Load(kSomeBytes);
  EXPECT_STREQ(CallsOf("IsSupported").at(0).FileName, "") << "a load without a name";
}

TEST_F(InSPIAbleTest, WhatEndsAnAttemptAndWhatEndsTheLoad) {
  // Candidates for x.prb: a (which names the extension), then b and c in collection order.
  Bench.AddProbe("a", Probe("*.prb", pmAlways, SPI_BROKEN_DATA));
  Bench.AddProbe("b", Probe("*.zzz", pmAlways));
  Bench.AddProbe("c", Probe("*.zzz", pmAlways));
  struct TCase {
    const char* What;
    std::string Name;
    TNative Native;
    TReceive Receive;
    std::string Expected;
    std::string Raised;  // the message that leaves the load
  };
  const std::string a = "a:IsSupported a:GetPictureInfo a:GetPicture ";
  const std::string b = "b:IsSupported b:GetPictureInfo b:GetPicture receiver";
  const TCase cases[] = {
      {"GetPicture failing passes on to the next plug-in", "x.prb", TNative::nRaisesException,
       TReceive::rTakes, a + b, ""},
      {"a receiver leaving Done false passes on too", "x.prb", TNative::nRaisesException,
       TReceive::rLeaves, a + b + " c:IsSupported c:GetPictureInfo c:GetPicture receiver native",
       "認識できない画像形式です"},
      {"a receiver's exception ends the load", "x.prb", TNative::nDecodes, TReceive::rRaises, a + b,
       "receiver refuses"},
      {"the native decoder's Exception is absorbed", "x.bmp", TNative::nRaisesException,
       TReceive::rTakes, "native " + a + b, ""},
      {"any other exception of the native decoder ends the load", "x.bmp", TNative::nRaisesOther,
       TReceive::rTakes, "native", "native breaks"},
  };
  for (const TCase& c : cases) {
    NativeMode = c.Native;
    Receive = c.Receive;
    std::string raised;
    try {
      Load(kSomeBytes, c.Name);
    } catch (const std::exception& e) {
      raised = e.what();
    }
    EXPECT_EQ(raised, c.Raised) << c.What;
    EXPECT_EQ(Events(), c.Expected) << c.What;
    EXPECT_EQ(Able.Ext() + Able.FileName(), "") << c.What << ": name kept after the load";
    // Every block a plug-in returned is freed on every path. Windows can tell; elsewhere the
    // sanitizer build's leak check watches the same paths.
    const int live = Bench.LiveBlocks();
    if (live >= 0) {
      EXPECT_EQ(live, 0) << c.What;
    }
  }
}

TEST_F(InSPIAbleTest, AMemoryStreamIsUsedInPlaceAndAnyOtherStreamCopiedFromItsStart) {
  Bench.AddProbe("a", Probe("*.prb", pmAlways));
  TBytes bytes(4096);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
  TMemoryStream memory;
  memory.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  memory.SetPosition(1000);
  NativeMode = TNative::nDecodes;
  Able.LoadFromStream(memory);
  EXPECT_EQ(NativePositions, std::vector<std::int64_t>{0}) << "the native decoder reads from 0";
  EXPECT_EQ(memory.Position(), 3) << "and leaves the stream where it stopped";

  TMemoryViewStream shown(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  probe_bench::ClearLog();
  Able.LoadFromStreamWithName(shown, "x.prb");
  EXPECT_EQ(Calls.at(0).Address, reinterpret_cast<std::uintptr_t>(bytes.data()))
      << "a view of memory (a mapped file) is offered where it stands";

  TJoinedMemoryStream view(bytes, {});  // a stream that is no memory stream
  view.SetPosition(1000);
  probe_bench::ClearLog();
  Able.LoadFromStreamWithName(view, "x.prb");
  EXPECT_NE(Calls.at(0).Address, reinterpret_cast<std::uintptr_t>(bytes.data()));
  EXPECT_EQ(std::memcmp(Calls[0].Head, bytes.data(), 2048), 0) << "copied from its beginning";
  EXPECT_EQ(CallsOf("GetPicture").at(0).Length, 4096);
  EXPECT_EQ(view.Position(), 4096) << "the source is left at its end";
}

TEST_F(InSPIAbleTest, LoadsByFileNameAndForgetsTheNameOnEveryPath) {
  Bench.AddProbe("a", Probe("*.prb", pmMagic));
  const std::string path = fixtures::TempPath("named.PRB");
  fixtures::WriteFile(path, TBytes(kProbeMagic, kProbeMagic + kProbeMagicLength));
  Able.LoadFromFile(path);
  ASSERT_EQ(Received.size(), 1u);
  EXPECT_EQ(Received[0].Ext, ".PRB");
  EXPECT_EQ(Received[0].FileName, path);
  EXPECT_EQ(Able.Ext() + Able.FileName(), "");

  fixtures::WriteFile(path, TBytes(10, 0));
  ExpectInvalidGraphic([&] { Able.LoadFromFile(path); }, "a file nothing decodes");
  EXPECT_EQ(Able.Ext() + Able.FileName(), "") << "after nothing decoded";
  std::remove(path.c_str());
  try {
    Able.LoadFromFile(path);
    ADD_FAILURE() << "a missing file loaded";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + path + " は開けません");
  }
  EXPECT_EQ(Able.Ext() + Able.FileName(), "") << "after the file did not open";
}

TEST(InSPIAbleWithoutPlugins, OnlyTheNativeDecoderRunsWhenThereIsNoCollection) {
  ASSERT_EQ(SusiePlugins(), nullptr);
  TTestGraphic graphic;
  TInSPIAble able(&graphic);
  able.SetNativeExt("BMP");
  able.SetLoadFromStreamProc(NativeLoad);
  TMemoryStream stream;
  probe_bench::ClearLog();
  NativeMode = TNative::nRaisesException;
  ExpectInvalidGraphic([&] { able.LoadFromStreamWithName(stream, "photo.jpg"); }, "no collection");
  NativeMode = TNative::nDecodes;
  EXPECT_NO_THROW(able.LoadFromStreamWithName(stream, "photo.jpg"));
  EXPECT_EQ(Events(), "native native");
}

}  // namespace
