// Timings of the real main window, made in this process as the entry point makes it:
//
//   window_timings startup   making the window (the plug-in search of its six places included)
//                            until it is shown and painted; run it with plug-ins in the
//                            program's SusiePlugin folder to see what they cost; the plug-ins
//                            load in this process, as before the plug-in helper
//   window_timings startup-helper  the same with the plug-ins in the helper beside the program,
//                            as tintsight.exe runs them
//   window_timings analyse   "解析する" through a real click on a 24-megapixel picture that was
//                            loaded as 24-bit (a BMP) and as 32-bit (what plug-ins hand over)
//   window_timings redraw    repainting both image boxes holding 24-megapixel pictures (what a
//                            window that was covered asks for), uncovering the window, and how
//                            many bitmaps either makes
//
// Each prints the median and the spread of its repetitions in milliseconds.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app/tintsight1.h"
#include "image/raster/raster_bitmap.h"
#include "plugins/plugin_host_link.h"
#include "ui/application.h"

namespace {

using TClock = std::chrono::steady_clock;

double Milliseconds(TClock::duration duration) {
  return std::chrono::duration<double, std::milli>(duration).count();
}

void Report(const char* what, std::vector<double> times) {
  std::sort(times.begin(), times.end());
  std::printf("%-52s median %8.1f ms   min %8.1f   max %8.1f   (%zu runs)\n", what,
              times[times.size() / 2], times.front(), times.back(), times.size());
}

// A picture of 6000 x 4000 pixels at `bitCount` bits, noise.
void LoadLargePicture(TBitmap& bitmap, int bitCount) {
  TBitmapInfoHeader header{};
  header.biSize = sizeof header;
  header.biWidth = 6000;
  header.biHeight = 4000;
  header.biPlanes = 1;
  header.biBitCount = static_cast<std::uint16_t>(bitCount);
  TRasterBitmapPtr section = TRasterBitmap::CreateSection(header, nullptr, {});
  std::uint32_t state = 0x2545F491u;
  std::uint8_t* bytes = section->Bits();
  for (std::int64_t i = 0; i < section->ImageSize(); ++i) {
    state = state * 1664525u + 1013904223u;
    bytes[i] = static_cast<std::uint8_t>(state >> 24);
  }
  bitmap.ImageLoaded(std::move(section), nullptr, false);
}

int Startup() {
  const auto start = TClock::now();
  TApplication application;
  application.SetTitle("Tintsight");
  application.CreateForm(tintsight1Form);
  const auto made = TClock::now();
  tintsight1Form->Show();
  application.ProcessMessages();
  const auto shown = TClock::now();
  std::printf("plug-ins found: %d\n", tintsight1Form->SPIs->Count());
  Report("window made (plug-in search included)", {Milliseconds(made - start)});
  Report("window made and shown", {Milliseconds(shown - start)});
  return 0;
}

int Analyse() {
  TApplication application;
  application.CreateForm(tintsight1Form);
  tintsight1Form->Show();
  application.ProcessMessages();
  for (const int bitCount : {24, 32}) {
    LoadLargePicture(*tintsight1Form->SourceBitmap, bitCount);
    std::vector<double> times;
    for (int run = 0; run < 7; ++run) {
      const auto start = TClock::now();
      ::SendMessageW(tintsight1Form->CalcButton->Handle(), BM_CLICK, 0, 0);
      times.push_back(Milliseconds(TClock::now() - start));
    }
    Report(bitCount == 24 ? "解析する, 24 MP loaded as 24-bit" : "解析する, 24 MP loaded as 32-bit",
           times);
    application.ProcessMessages();
  }
  return 0;
}

int Redraw() {
  TApplication application;
  application.CreateForm(tintsight1Form);
  Ttintsight1Form& form = *tintsight1Form;
  form.Show();
  LoadLargePicture(*form.SourceBitmap, 24);
  form.Image1->Picture().SetGraphic(form.SourceBitmap.get());
  ::SendMessageW(form.CalcButton->Handle(), BM_CLICK, 0, 0);
  ::UpdateWindow(form.Handle());
  application.ProcessMessages();

  const auto madeBefore = TRasterBitmap::MadeCount();
  const int paintsBefore = form.Image1->PaintCount() + form.Image2->PaintCount();
  std::vector<double> repaint;
  for (int run = 0; run < 15; ++run) {
    const auto start = TClock::now();
    ::RedrawWindow(form.Handle(), nullptr, nullptr,
                   RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    repaint.push_back(Milliseconds(TClock::now() - start));
  }
  Report("whole window repainted (both boxes, 24 MP each)", repaint);

  // A window laid over the boxes and taken away again. The display may restore what was
  // covered by itself (Wine keeps a copy of every window's pixels) or ask for a repaint; either
  // way no bitmap may be made.
  const HWND cover = ::CreateWindowExW(WS_EX_TOPMOST, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 300,
                                       40, 560, 520, nullptr, nullptr, nullptr, nullptr);
  application.ProcessMessages();
  const int paints = form.Image1->PaintCount() + form.Image2->PaintCount();
  const auto start = TClock::now();
  ::DestroyWindow(cover);
  while (TClock::now() - start < std::chrono::seconds(1)) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    application.ProcessMessages();
  }
  std::printf("uncovered: the boxes painted %d times within 1 s\n",
              form.Image1->PaintCount() + form.Image2->PaintCount() - paints);
  std::printf("paints: %d, bitmaps made while repainting: %lld\n",
              form.Image1->PaintCount() + form.Image2->PaintCount() - paintsBefore,
              static_cast<long long>(TRasterBitmap::MadeCount() - madeBefore));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring mode = argc > 1 ? argv[1] : L"";
  if (mode == L"startup") return Startup();
  if (mode == L"startup-helper") {
    UsePluginHost();
    const int status = Startup();
    EndPluginHosts();
    return status;
  }
  if (mode == L"analyse") return Analyse();
  if (mode == L"redraw") return Redraw();
  std::fprintf(stderr, "usage: window_timings startup|startup-helper|analyse|redraw\n");
  return 2;
}
