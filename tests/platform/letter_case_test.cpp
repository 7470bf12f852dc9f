#include "platform/letter_case.h"

#include <gtest/gtest.h>

namespace {

TEST(LetterCase, LowersLetters) {
  struct Case {
    const char* text;
    const char* lowered;
  };
  const Case cases[] = {
      {"BMP", "bmp"},
      {"JpEg", "jpeg"},
      {"", ""},
      {"a1_Z-@[`{", "a1_z-@[`{"},
#ifdef _WIN32
      {"ÄÖÜ.Ω", "äöü.ω"},
#else
      {"ÄÖÜ.Ω", "ÄÖÜ.Ω"},
#endif
      {"画像", "画像"},
  };
  for (const Case& c : cases) EXPECT_EQ(platform::LowerCase(c.text), c.lowered) << c.text;
}

}  // namespace
