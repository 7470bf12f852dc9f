#include "ui/error_box.h"

std::string ErrorBoxText(std::string_view message) {
  std::string text(message);
  if (text.empty()) return text;
  // The last character is compared as a whole: a multi-byte character is greater than "."
  // whatever its bytes are (its lead byte is), a single byte by its value.
  const auto last = static_cast<unsigned char>(text.back());
  const bool multiByte = last >= 0x80;
  if (multiByte || last > static_cast<unsigned char>('.')) text += '.';
  return text;
}
