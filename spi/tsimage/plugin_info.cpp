#include "plugin_info.h"

#include <algorithm>
#include <array>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct TFilter {
  const char* Pattern;
  const char* Description;
};

// One pattern per entry: hosts take a filter's extension from its last '.', so a combined
// "*.jpg;*.jpeg" would advertise only .jpeg.
constexpr std::array kFilters{
    TFilter{"*.png", "PNG 画像"},   TFilter{"*.jpg", "JPEG 画像"},
    TFilter{"*.jpeg", "JPEG 画像"}, TFilter{"*.jpe", "JPEG 画像"},
    TFilter{"*.jfif", "JPEG 画像"}, TFilter{"*.gif", "GIF 画像 (先頭のフレーム)"},
    TFilter{"*.tga", "TGA 画像"},   TFilter{"*.psd", "Photoshop 画像 (統合画像)"},
    TFilter{"*.pnm", "PNM 画像"},   TFilter{"*.ppm", "PPM 画像"},
    TFilter{"*.pgm", "PGM 画像"},   TFilter{"*.hdr", "Radiance HDR 画像"},
};

}  // namespace

std::string PluginInfoText(std::int32_t infono) {
  if (infono == 0) return "00IN";
  if (infono == 1) return "Tintsight image import 1.0 (PNG/JPEG/GIF/TGA/PSD/PNM/HDR)";
  if (infono < 2) return {};
  const std::int64_t index = (static_cast<std::int64_t>(infono) - 2) / 2;
  if (index >= static_cast<std::int64_t>(kFilters.size())) return {};
  const TFilter& filter = kFilters[static_cast<std::size_t>(index)];
  return infono % 2 == 0 ? filter.Pattern : filter.Description;
}

std::int32_t CopyPluginInfoText(const std::string& text, char* buf, std::int32_t buflen) {
  if (buf == nullptr || buflen <= 1 || text.empty()) return 0;
  const std::size_t count =
      std::min<std::size_t>(text.size(), static_cast<std::size_t>(buflen) - 1);
  std::memcpy(buf, text.data(), count);
  buf[count] = '\0';
  return static_cast<std::int32_t>(count);
}

std::string ToPluginText(const std::string& utf8) {
#ifdef _WIN32
  if (utf8.empty()) return {};
  const int inLength = static_cast<int>(utf8.size());
  const int wideLength = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, nullptr, 0);
  if (wideLength <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
  ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLength, wide.data(), wideLength);
  const int ansiLength =
      ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (ansiLength <= 0) return {};
  std::string ansi(static_cast<std::size_t>(ansiLength), '\0');
  ::WideCharToMultiByte(CP_ACP, 0, wide.data(), wideLength, ansi.data(), ansiLength, nullptr,
                        nullptr);
  return ansi;
#else
  return utf8;
#endif
}
