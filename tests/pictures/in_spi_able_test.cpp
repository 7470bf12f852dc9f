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
#include "probe_bench.h"
#include "rtl/exception.h"
#include "rtl/file_name.h"
#include "rtl/stream.h"

namespace {

using fixtures::TBytes;
using probe_bench::Events;
using probe_bench::Note;
using probe_bench::TProbeBench;
using TEvents = std::vector<std::string>;

std::string Join(const TEvents& events) {
  std::string text;
  for (const std::string& e : events) text += (text.empty() ? "" : " ") + e;
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

// The native decoder's behaviour in the running test.
enum class TNative { nDecodes, nRaisesException, nRaisesOther };
TNative NativeMode = TNative::nRaisesException;
struct TSeen {
  std::int64_t Position = -1;
  std::string Ext;
  std::string FileName;
};
std::vector<TSeen> NativeSeen;
const TInSPIAble* Current = nullptr;

void NativeLoad(TGraphic&, TStream& stream) {
  Note("native");
  NativeSeen.push_back({stream.Position(), Current->Ext(), Current->FileName()});
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

enum class TReceive { rTakes, rLeaves, rRaises };

struct TReceived {
  TBytes HeaderHead;  // the first bytes of BMInfo
  std::size_t HeaderSize = 0;
  std::size_t BitsSize = 0;
  std::uint8_t FirstBit = 0;
  TPictureInfoRec Info;
  TSeen Seen;
};

class InSPIAbleTest : public ::testing::Test {
 protected:
  InSPIAbleTest() {
    NativeMode = TNative::nRaisesException;
    NativeSeen.clear();
    Current = &Able;
    Graphic.Able = &Able;
    Able.SetNativeExt("BMP");
    Able.SetLoadFromFileProc(FileLoad);
    Able.SetLoadFromStreamProc(NativeLoad);
    Able.SetLoadFromSPIProc([this](std::span<const std::uint8_t> info,
                                   std::span<const std::uint8_t> bits,
                                   const TPictureInfoRec& record, bool& done) {
      Note("receiver");
      TReceived r;
      r.HeaderHead.assign(info.begin(), info.begin() + static_cast<std::ptrdiff_t>(
                                                           std::min<std::size_t>(info.size(), 64)));
      r.HeaderSize = info.size();
      r.BitsSize = bits.size();
      r.FirstBit = bits.empty() ? 0 : bits[0];
      r.Info = record;
      r.Seen = {-1, Able.Ext(), Able.FileName()};
      Received.push_back(r);
      switch (Receive) {
        case TReceive::rTakes:
          done = true;
          return;
        case TReceive::rLeaves:
          return;
        case TReceive::rRaises:
          throw EInvalidGraphic(std::string("receiver refuses"));
      }
    });
  }

  // Loads `bytes` from a memory stream, under `name` unless it is empty.
  void Load(const TBytes& bytes, const std::string& name = "") {
    TMemoryStream stream;
    if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    if (name.empty()) {
      Able.LoadFromStream(stream);
    } else {
      Able.LoadFromStreamWithName(stream, name);
    }
  }

  static TProbeConfig Probe(const char* filter, std::int32_t mode) {
    TProbeConfig config = probe_bench::AcceptingProbe();
    std::strncpy(config.Filter, filter, sizeof config.Filter - 1);
    config.Mode = mode;
    return config;
  }

  TProbeBench Bench;
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
  const std::string inDottedDir = std::string("dir.x") + PathDelimiter() + "picture";
  struct TCase {
    std::string Name;
    bool NativeDecodes;
    TEvents Expected;
  };
  const TEvents nativeThenAll = {"native", "a:IsSupported", "b:IsSupported", "c:IsSupported"};
  const TCase cases[] = {
      // The plug-ins naming the extension first (the later one in the collection first), the
      // rest in collection order, the native decoder last.
      {"photo.JPG", false, {"c:IsSupported", "a:IsSupported", "b:IsSupported", "native"}},
      {"photo.png", false, {"b:IsSupported", "a:IsSupported", "c:IsSupported", "native"}},
      {"photo.jpg", true, {"c:IsSupported", "a:IsSupported", "b:IsSupported", "native"}},
      {"photo.tif", false, {"a:IsSupported", "b:IsSupported", "c:IsSupported", "native"}},
      // Native first: its extension in any case, no extension, a dot only in the directory, no
      // name.
      {"picture.bmp", false, nativeThenAll},
      {"PICTURE.BMP", false, nativeThenAll},
      {"picture.Bmp", true, {"native"}},
      {"picture", false, nativeThenAll},
      {inDottedDir, false, nativeThenAll},
      {"", false, nativeThenAll},
      {"", true, {"native"}},
  };
  for (const TCase& c : cases) {
    probe_bench::ClearLog();
    NativeMode = c.NativeDecodes ? TNative::nDecodes : TNative::nRaisesException;
    if (c.NativeDecodes) {
      EXPECT_NO_THROW(Load(kSomeBytes, c.Name)) << "'" << c.Name << "'";
    } else {
      try {
        Load(kSomeBytes, c.Name);
        ADD_FAILURE() << "'" << c.Name << "': nothing decodes, yet no exception";
      } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), "認識できない画像形式です") << "'" << c.Name << "'";
      }
    }
    EXPECT_EQ(Join(Events), Join(c.Expected)) << "'" << c.Name << "'";
  }
}

TEST_F(InSPIAbleTest, ShortDataIsOfferedThroughAZeroPaddedBufferWithItsTrueLength) {
  TProbeConfig config = Probe("*.prb", pmAlways);
  config.PictureResult = SPI_UNKNOWN_FORMAT;
  Bench.AddProbe("a", config);
  for (const std::size_t size :
       {std::size_t{0}, std::size_t{1}, std::size_t{2047}, std::size_t{2048}, std::size_t{5000}}) {
    TBytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 1);
    probe_bench::ClearLog();
    TMemoryStream stream;
    if (size > 0) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(size));
    EXPECT_THROW(Able.LoadFromStreamWithName(stream, "x.prb"), EInvalidGraphic);

    ASSERT_EQ(probe_bench::Calls.size(), 3u) << size << " bytes: " << Join(Events);
    const std::uintptr_t inPlace = reinterpret_cast<std::uintptr_t>(stream.Memory());
    for (const TProbeCall& call : probe_bench::Calls) {
      const std::string what = std::to_string(size) + " bytes, " + call.Entry;
      EXPECT_EQ(call.Address == inPlace && size > 0, size >= 2048)
          << what << ": offered in place only from 2048 bytes";
      EXPECT_EQ(call.Address, probe_bench::Calls[0].Address) << what << ": one buffer per attempt";
      for (std::size_t i = 0; i < 2048; ++i) {
        const std::uint8_t expected = i < size ? bytes[i] : 0;
        if (call.Head[i] != expected) {
          ADD_FAILURE() << what << ": byte " << i << " expected " << int{expected} << " got "
                        << int{call.Head[i]};
          break;
        }
      }
      if (std::string(call.Entry) != "IsSupported") {
        EXPECT_EQ(call.Length, static_cast<std::int32_t>(size)) << what;
        EXPECT_EQ(call.Flag, SPI_INPUT_MEMORY) << what;
      }
    }
  }
}

TEST_F(InSPIAbleTest, SecondAttemptLeavesOutTheFirst128BytesWhenAsked) {
  TProbeConfig config = Probe("*.prb", pmAlways);
  config.PictureResult = SPI_UNKNOWN_FORMAT;
  Bench.AddProbe("a", config);
  struct TCase {
    std::size_t Size;
    bool Skip;
    std::vector<std::int32_t> Lengths;  // of the GetPicture calls
  };
  const TCase cases[] = {
      {0, true, {0}},      {128, true, {128}},         {129, true, {129, 1}},
      {129, false, {129}}, {3000, true, {3000, 2872}}, {3000, false, {3000}},
  };
  for (const TCase& c : cases) {
    TBytes bytes(c.Size);
    for (std::size_t i = 0; i < c.Size; ++i) bytes[i] = static_cast<std::uint8_t>(i);
    probe_bench::ClearLog();
    Able.SetSkipLeadingHeader(c.Skip);
    EXPECT_THROW(Load(bytes, "x.prb"), EInvalidGraphic);
    const std::vector<TProbeCall> calls = probe_bench::CallsOf("GetPicture");
    std::vector<std::int32_t> lengths;
    for (const TProbeCall& call : calls) lengths.push_back(call.Length);
    EXPECT_EQ(lengths, c.Lengths) << c.Size << " bytes, skip " << c.Skip;
    if (calls.size() == 2) {
      EXPECT_EQ(calls[1].Head[0], 128) << "the second attempt starts at byte 128";
    }
  }

  // A picture behind a 128-byte header is found on the second attempt.
  TBytes wrapped(128, 0xEE);
  wrapped.insert(wrapped.end(), kProbeMagic, kProbeMagic + kProbeMagicLength);
  Bench.AddProbe("m", Probe("*.prb", pmMagic));
  probe_bench::ClearLog();
  Able.SetSkipLeadingHeader(true);
  EXPECT_NO_THROW(Load(wrapped, "x.prb"));
  EXPECT_EQ(Join(Events), "m:IsSupported m:IsSupported m:GetPictureInfo m:GetPicture receiver");
  Able.SetSkipLeadingHeader(false);
  probe_bench::ClearLog();
  EXPECT_THROW(Load(wrapped, "x.prb"), EInvalidGraphic)
      << "without the flag there is no second attempt";
}

TEST_F(InSPIAbleTest, PluginsSeeTheLoadsNameAndTheReceiverSeesWhatGetPictureInfoReported) {
  struct TCase {
    const char* What;
    std::int32_t InfoResult;
    std::int32_t TextBlockSize;
    TBytes Text;
    bool Valid;
    std::string ExpectedText;
  };
  const TCase cases[] = {
      {"no text block", SPI_SUCCESS, -1, {}, true, ""},
      {"text up to its NUL",
       SPI_SUCCESS,
       16,
       {'h', 'e', 'l', 'l', 'o', 0, 'w', 'o', 'r', 'l', 'd'},
       true,
       "hello"},
      {"text without a NUL fills the block",
       SPI_SUCCESS,
       5,
       {'a', 'b', 'c', 'd', 'e'},
       true,
       "abcde"},
      {"failed GetPictureInfo", SPI_UNKNOWN_FORMAT, 8, {'x'}, false, ""},
  };
  int index = 0;
  for (const TCase& c : cases) {
    TProbeConfig config = Probe("*.prb", pmAlways);
    config.PictureInfoResult = c.InfoResult;
    config.InfoTextBlockSize = c.TextBlockSize;
    std::copy(c.Text.begin(), c.Text.end(), config.InfoText);
    config.Left = -3;
    config.Top = 4;
    config.Width = 1;
    config.Height = 1;
    config.XDensity = 72;
    config.YDensity = 96;
    config.ColorDepth = 24;
    Bench.Collection().Clear();  // each case's probe alone in the collection
    Bench.AddProbe("p" + std::to_string(index++), config);
    probe_bench::ClearLog();
    Received.clear();
    Load(kSomeBytes, "photo.prb");
    ASSERT_EQ(Received.size(), 1u) << c.What;
    const TPictureInfoRec& info = Received[0].Info;
    EXPECT_EQ(info.InfoValid, c.Valid) << c.What;
    EXPECT_EQ(info.InfoText, c.ExpectedText) << c.What;
    if (c.Valid) {
      EXPECT_EQ(info.left, -3) << c.What;
      EXPECT_EQ(info.top, 4) << c.What;
      EXPECT_EQ(info.width, 1) << c.What;
      EXPECT_EQ(info.x_density, 72) << c.What;
      EXPECT_EQ(info.y_density, 96) << c.What;
      EXPECT_EQ(info.colorDepth, 24) << c.What;
    }
    EXPECT_EQ(Received[0].HeaderSize, 40u) << c.What;
    EXPECT_EQ(Received[0].FirstBit, 10) << c.What;
    ASSERT_FALSE(probe_bench::CallsOf("IsSupported").empty());
    EXPECT_STREQ(probe_bench::CallsOf("IsSupported")[0].FileName, "photo.prb") << c.What;
    EXPECT_EQ(Received[0].Seen.Ext, ".prb") << c.What;
  }
  Bench.Collection().Clear();
  Bench.AddProbe("a", Probe("*.prb", pmAlways));
  probe_bench::ClearLog();
  Load(kSomeBytes);
  ASSERT_EQ(probe_bench::CallsOf("IsSupported").size(), 1u);
  EXPECT_STREQ(probe_bench::CallsOf("IsSupported")[0].FileName, "") << "a load without a name";
}

TEST_F(InSPIAbleTest, WhatEndsAnAttemptAndWhatEndsTheLoad) {
  TProbeConfig broken = Probe("*.prb", pmAlways);
  broken.PictureResult = SPI_BROKEN_DATA;
  // Candidates for x.prb: a (which names the extension), then b and c in collection order.
  Bench.AddProbe("a", broken);
  Bench.AddProbe("b", Probe("*.zzz", pmAlways));
  Bench.AddProbe("c", Probe("*.zzz", pmAlways));
  struct TCase {
    const char* What;
    std::string Name;
    TNative Native;
    TReceive Receive;
    std::string Expected;
    const char* Raised;  // the message that leaves the load, or null
  };
  const std::string aTried = "a:IsSupported a:GetPictureInfo a:GetPicture ";
  const TCase cases[] = {
      {"GetPicture failing passes on to the next plug-in", "x.prb", TNative::nRaisesException,
       TReceive::rTakes, aTried + "b:IsSupported b:GetPictureInfo b:GetPicture receiver", nullptr},
      {"a receiver leaving Done false passes on too", "x.prb", TNative::nRaisesException,
       TReceive::rLeaves,
       aTried + "b:IsSupported b:GetPictureInfo b:GetPicture receiver "
                "c:IsSupported c:GetPictureInfo c:GetPicture receiver native",
       "認識できない画像形式です"},
      {"a receiver's exception ends the load", "x.prb", TNative::nDecodes, TReceive::rRaises,
       aTried + "b:IsSupported b:GetPictureInfo b:GetPicture receiver", "receiver refuses"},
      {"the native decoder's Exception is absorbed", "x.bmp", TNative::nRaisesException,
       TReceive::rTakes,
       "native " + aTried + "b:IsSupported b:GetPictureInfo b:GetPicture receiver", nullptr},
      {"any other exception of the native decoder ends the load", "x.bmp", TNative::nRaisesOther,
       TReceive::rTakes, "native", "native breaks"},
  };
  for (const TCase& c : cases) {
    probe_bench::ClearLog();
    NativeMode = c.Native;
    Receive = c.Receive;
    std::string raised;
    try {
      Load(kSomeBytes, c.Name);
    } catch (const std::exception& e) {
      raised = e.what();
    }
    EXPECT_EQ(raised, c.Raised != nullptr ? c.Raised : "") << c.What;
    EXPECT_EQ(Join(Events), c.Expected) << c.What;
    EXPECT_TRUE(Able.Ext().empty() && Able.FileName().empty())
        << c.What << ": name kept after the load";
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
  ASSERT_EQ(NativeSeen.size(), 1u);
  EXPECT_EQ(NativeSeen[0].Position, 0) << "the native decoder reads from offset 0";
  EXPECT_EQ(memory.Position(), 3) << "and leaves the stream where it stopped";

  NativeMode = TNative::nRaisesException;
  probe_bench::ClearLog();
  memory.SetPosition(1000);
  Able.LoadFromStreamWithName(memory, "x.prb");
  ASSERT_FALSE(probe_bench::Calls.empty());
  EXPECT_EQ(probe_bench::Calls[0].Address, reinterpret_cast<std::uintptr_t>(memory.Memory()))
      << "a memory stream is offered without a copy";

  TMemoryViewStream view(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  view.SetPosition(1000);
  probe_bench::ClearLog();
  Able.LoadFromStreamWithName(view, "x.prb");
  ASSERT_FALSE(probe_bench::Calls.empty());
  EXPECT_NE(probe_bench::Calls[0].Address, reinterpret_cast<std::uintptr_t>(bytes.data()));
  EXPECT_EQ(std::memcmp(probe_bench::Calls[0].Head, bytes.data(), 2048), 0)
      << "copied from its beginning";
  EXPECT_EQ(probe_bench::CallsOf("GetPicture")[0].Length, 4096);
  EXPECT_EQ(view.Position(), 4096) << "the source is left at its end";
}

TEST_F(InSPIAbleTest, LoadsByFileNameAndForgetsTheNameOnEveryPath) {
  Bench.AddProbe("a", Probe("*.prb", pmMagic));
  const std::string path = fixtures::TempPath("named.PRB");
  TBytes bytes(kProbeMagic, kProbeMagic + kProbeMagicLength);
  fixtures::WriteFile(path, bytes);
  Able.LoadFromFile(path);
  ASSERT_EQ(Received.size(), 1u);
  EXPECT_EQ(Received[0].Seen.Ext, ".PRB");
  EXPECT_EQ(Received[0].Seen.FileName, path);
  EXPECT_EQ(Able.Ext(), "");
  EXPECT_EQ(Able.FileName(), "");

  fixtures::WriteFile(path, TBytes(10, 0));
  EXPECT_THROW(Able.LoadFromFile(path), EInvalidGraphic);
  EXPECT_TRUE(Able.Ext().empty() && Able.FileName().empty()) << "after nothing decoded";
  std::remove(path.c_str());

  try {
    Able.LoadFromFile(path);
    ADD_FAILURE() << "a missing file loaded";
  } catch (const EFOpenError& e) {
    EXPECT_EQ(e.Message(), "ファイル " + path + " は開けません");
  }
  EXPECT_TRUE(Able.Ext().empty() && Able.FileName().empty()) << "after the file did not open";
}

TEST_F(InSPIAbleTest, TheProgressCallbackLetsThePluginGoOnAndGetsTheEngineBack) {
  Bench.AddProbe("a", Probe("*.prb", pmAlways));
  Load(kSomeBytes, "x.prb");
  const std::vector<TProbeCall> calls = probe_bench::CallsOf("GetPicture");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].ProgressAnswer, 0);
  EXPECT_EQ(calls[0].LData, reinterpret_cast<std::intptr_t>(&Able));
  EXPECT_EQ(ProgressCallback(5, 0, 0), 0);
}

TEST_F(InSPIAbleTest, EveryBlockAPluginReturnsIsFreedOnEveryPath) {
  // Large blocks, so that a leak shows in the heap figures where only those can tell.
  constexpr std::int32_t kBlockSize = 4 << 20;
  TProbeConfig config = Probe("*.prb", pmAlways);
  config.HeaderBlockSize = kBlockSize;
  config.BitsBlockSize = kBlockSize;
  config.InfoTextBlockSize = kBlockSize;
  config.InfoText[0] = 'i';
  Bench.AddProbe("a", config);
  Bench.AddProbe("b", config);
  const std::int64_t before = probe_bench::HeapBytesInUse();
  for (const TReceive receive : {TReceive::rTakes, TReceive::rLeaves, TReceive::rRaises}) {
    Receive = receive;
    try {
      Load(kSomeBytes, "x.prb");
    } catch (const Exception&) {
    }
    const int live = Bench.LiveBlocks();
    const std::int64_t after = probe_bench::HeapBytesInUse();
    if (live >= 0) {
      EXPECT_EQ(live, 0) << "receiver mode " << static_cast<int>(receive);
    }
    if (before >= 0) {
      EXPECT_LT(after - before, kBlockSize / 4) << "receiver mode " << static_cast<int>(receive);
    }
    if (live < 0 && before < 0) GTEST_SKIP() << "this system cannot tell freed blocks";
  }
  EXPECT_EQ(Received.size(), 1u + 2u + 1u);
}

TEST(InSPIAbleWithoutPlugins, OnlyTheNativeDecoderRunsWhenThereIsNoCollection) {
  ASSERT_EQ(SusiePlugins(), nullptr);
  TTestGraphic graphic;
  TInSPIAble able(&graphic);
  Current = &able;
  NativeSeen.clear();
  able.SetNativeExt("BMP");
  able.SetLoadFromStreamProc(NativeLoad);
  TMemoryStream stream;
  NativeMode = TNative::nRaisesException;
  try {
    able.LoadFromStreamWithName(stream, "photo.jpg");
    ADD_FAILURE() << "no exception";
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "認識できない画像形式です");
  }
  NativeMode = TNative::nDecodes;
  EXPECT_NO_THROW(able.LoadFromStreamWithName(stream, "photo.jpg"));
  EXPECT_EQ(NativeSeen.size(), 2u);
}

}  // namespace
