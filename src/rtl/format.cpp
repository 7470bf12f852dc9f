#include "rtl/format.h"

std::string TFormatArg::AsText() const {
  return IsText_ ? std::string(Text_) : std::to_string(Number_);
}

std::string Format(std::string_view format, std::initializer_list<TFormatArg> args) {
  std::string out;
  out.reserve(format.size() + 32);
  auto next = args.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    const char c = format[i];
    if (c != '%' || i + 1 == format.size()) {
      out += c;
      continue;
    }
    const char kind = format[i + 1];
    if (kind == '%') {
      out += '%';
      ++i;
    } else if ((kind == 's' || kind == 'd') && next != args.end()) {
      out += kind == 's' ? next->AsText() : next->AsNumber();
      ++next;
      ++i;
    } else {
      out += c;
    }
  }
  return out;
}
