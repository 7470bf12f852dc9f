#include "ui/color.h"

COLORREF ColorToRGB(TColor color) {
  const auto bits = static_cast<std::uint32_t>(color);
  if ((bits & 0x80000000u) != 0) return ::GetSysColor(static_cast<int>(bits & 0xFFu));
  return bits;
}
