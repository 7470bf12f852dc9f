// TFont: the font a window and its controls draw their text in. It describes the font; the
// native font handle is made from the description on first use and owned by the TFont (a
// change of the description drops it). Controls take their form's font and share its handle.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/color.h"
#include "ui/gdi_object.h"
#include "ui/published_class.h"

enum class TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };

class TFont {
 public:
  const std::string& Name() const { return Name_; }
  void SetName(std::string name);
  // Negative: the character height without internal leading, in pixels; positive: the cell
  // height.
  int Height() const { return Height_; }
  void SetHeight(int height);
  BYTE Charset() const { return Charset_; }
  void SetCharset(BYTE charset);
  TColor Color() const { return Color_; }
  void SetColor(TColor color) { Color_ = color; }
  const std::vector<TFontStyle>& Style() const { return Style_; }
  void SetStyle(std::vector<TFontStyle> style);

  // The native font; made on demand, valid until the description next changes.
  HFONT Handle() const;

 private:
  std::string Name_ = "MS Sans Serif";
  int Height_ = -11;
  BYTE Charset_ = DEFAULT_CHARSET;
  TColor Color_ = clWindowText;
  std::vector<TFontStyle> Style_;
  mutable TGdiObject<HFONT> Handle_;
};

// The character-set names a stored description may use.
inline constexpr std::pair<std::string_view, BYTE> CharsetIdents[] = {
    {"DEFAULT_CHARSET", DEFAULT_CHARSET},
    {"ANSI_CHARSET", ANSI_CHARSET},
    {"SHIFTJIS_CHARSET", SHIFTJIS_CHARSET}};

inline constexpr std::pair<std::string_view, TFontStyle> FontStyleIdents[] = {
    {"fsBold", TFontStyle::fsBold},
    {"fsItalic", TFontStyle::fsItalic},
    {"fsUnderline", TFontStyle::fsUnderline},
    {"fsStrikeOut", TFontStyle::fsStrikeOut}};

// The stored properties "Font.Name", "Font.Height", "Font.Charset", "Font.Color" and
// "Font.Style" of class C, whose font `font` returns.
template <class C, class F>
void AppendFontBindings(std::vector<TPropertyBinding>& bindings, F font);

// The font styles of a stored set; fails on a name that is not a style.
std::vector<TFontStyle> FontStyles(const TPropertyValue& value, std::string_view property);

template <class C, class F>
void AppendFontBindings(std::vector<TPropertyBinding>& bindings, F font) {
  bindings.push_back(Bind<C>("Font.Name", [font](C& c, const TPropertyValue& v) {
    font(c).SetName(PropertyText(v, "Font.Name"));
  }));
  bindings.push_back(Bind<C>("Font.Height", [font](C& c, const TPropertyValue& v) {
    font(c).SetHeight(static_cast<int>(PropertyInt(v, "Font.Height")));
  }));
  bindings.push_back(Bind<C>("Font.Charset", [font](C& c, const TPropertyValue& v) {
    font(c).SetCharset(PropertyEnum(v, "Font.Charset", CharsetIdents));
  }));
  bindings.push_back(Bind<C>("Font.Color", [font](C& c, const TPropertyValue& v) {
    font(c).SetColor(PropertyEnum(v, "Font.Color", ColorIdents));
  }));
  bindings.push_back(Bind<C>("Font.Style", [font](C& c, const TPropertyValue& v) {
    font(c).SetStyle(FontStyles(v, "Font.Style"));
  }));
}
