// Message formatting in the class library's style: a format text with "%s" and "%d"
// placeholders, filled in order. "%%" stands for one "%".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

class TFormatArg {
 public:
  TFormatArg(std::string_view text) : Text_(text), IsText_(true) {}
  TFormatArg(const std::string& text) : Text_(text), IsText_(true) {}
  TFormatArg(const char* text) : Text_(text ? text : ""), IsText_(true) {}
  TFormatArg(long long number) : Number_(number) {}
  TFormatArg(long number) : Number_(number) {}
  TFormatArg(int number) : Number_(number) {}
  TFormatArg(unsigned number) : Number_(number) {}
  TFormatArg(unsigned long number) : Number_(static_cast<long long>(number)) {}

  // The argument as "%s" shows it (a number in decimal).
  std::string AsText() const;
  // The argument as "%d" shows it (a text as it stands).
  std::string AsNumber() const { return AsText(); }

 private:
  std::string_view Text_;
  long long Number_ = 0;
  bool IsText_ = false;
};

// Fills the placeholders of `format` with `args`, in order. A placeholder without an argument is
// left as it stands, so a faulty call still shows what it meant to say.
std::string Format(std::string_view format, std::initializer_list<TFormatArg> args);
