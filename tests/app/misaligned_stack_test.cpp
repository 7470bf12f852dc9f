// Windows calls window procedures, and other compilers' plug-ins call the progress callback, with
// the stack aligned to 4 bytes only; Wine always aligns it to 16 and hides the difference. Here
// the calls go through a thunk that misaligns the stack on purpose: code that spills SSE
// registers with aligned stores faults at once.
#include <gtest/gtest.h>

#include <cstdint>

#include "app_fixture.h"
#include "image/bitmap.h"
#include "image/colour/analysis.h"
#include "pictures/in_spi_able.h"
#include "rtl/stream.h"

// Calls `function` with the `count` 32-bit arguments at `args`, the stack pointer `offset` bytes
// below a 16-byte boundary at the call; stdcall and cdecl callees alike. Returns eax.
extern "C" std::uint32_t ts_call_misaligned(const void* function, const std::uint32_t* args,
                                            int count, int offset);
asm(R"(
  .text
  .globl _ts_call_misaligned
_ts_call_misaligned:
  pushl %ebp
  movl %esp, %ebp
  pushl %esi
  pushl %edi
  movl 16(%ebp), %ecx
  leal 0(,%ecx,4), %eax
  subl %eax, %esp
  andl $-16, %esp
  subl 20(%ebp), %esp
  movl 12(%ebp), %esi
  movl %esp, %edi
  cld
  rep movsl
  call *8(%ebp)
  leal -8(%ebp), %esp
  popl %edi
  popl %esi
  popl %ebp
  ret
)");

namespace app_test {
namespace {

constexpr int kOffsets[] = {0, 4, 8, 12};

struct TAnalysisRun {
  int Condition;
  TPicture24 Picture;
  TPixels Result;
};

// Called through the thunk: the analysis of one condition, as "解析する" runs it.
void AnalyseMisaligned(void* context) {
  auto* run = static_cast<TAnalysisRun*>(context);
  TBitmap bitmap;
  const std::vector<std::uint8_t> bytes = BmpBytes(run->Picture);
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  bitmap.LoadFromStream(stream);
  bitmap.SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyAnalysisCondition(bitmap, run->Condition);
  run->Result = PixelsOf(bitmap);
}

std::uint32_t Word(const void* pointer) { return reinterpret_cast<std::uintptr_t>(pointer); }

TEST(MisalignedStack, EveryConditionAndTheProgressCallbackRunOnAFourByteAlignedStack) {
  for (const int offset : kOffsets) {
    // Widths around the vector paths' block sizes, so that both the vector and the tail run.
    for (const int width : {1, 5, 16, 37}) {
      for (int condition = 0; condition < 6; ++condition) {
        TAnalysisRun run{condition, Pattern(width, 3), {}};
        const std::uint32_t args[] = {Word(&run)};
        ts_call_misaligned(reinterpret_cast<const void*>(&AnalyseMisaligned), args, 1, offset);
        EXPECT_EQ(run.Result, Analysed(run.Picture.Pixels, condition))
            << "offset " << offset << " width " << width << " condition " << condition;
      }
    }
    const std::uint32_t args[] = {3, 10, 0};
    EXPECT_EQ(ts_call_misaligned(reinterpret_cast<const void*>(&ProgressCallback), args, 3, offset),
              0u)
        << "offset " << offset;
  }
}

// The main window's procedure, handed the click on "解析する" as the system hands it over.
TEST_F(MainWindowTest, TheWindowProcedureRunsTheAnalysisOnAFourByteAlignedStack) {
  const TPicture24 picture = Pattern(37, 5);
  WriteFile(TempPath("source.bmp"), BmpBytes(picture));
  Form->SourceBitmap->LoadFromFile(TempPath("source.bmp"));
  const HWND parent = ::GetParent(Form->CalcButton->Handle());
  const auto procedure = reinterpret_cast<const void*>(::GetWindowLongPtrW(parent, GWLP_WNDPROC));
  for (const int offset : kOffsets) {
    // Every condition: their row code differs, and only some of it keeps values on the stack.
    // Each click's condition differs from the one before, so that each result is new.
    for (int condition = 0; condition < 6; ++condition) {
      SelectCondition(condition);
      const std::uint32_t args[] = {Word(parent), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                                    Word(Form->CalcButton->Handle())};
      ts_call_misaligned(procedure, args, 4, offset);
      EXPECT_EQ(PixelsOf(*Form->ResultBitmap), Analysed(picture.Pixels, condition))
          << "offset " << offset << " condition " << condition;
    }
  }
}

}  // namespace
}  // namespace app_test
