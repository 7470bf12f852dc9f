#include "ui/font.h"

#include <algorithm>

#include "platform/text.h"

void TFont::SetName(std::string name) {
  Name_ = std::move(name);
  Handle_.Reset();
}

void TFont::SetHeight(int height) {
  Height_ = height;
  Handle_.Reset();
}

void TFont::SetCharset(BYTE charset) {
  Charset_ = charset;
  Handle_.Reset();
}

void TFont::SetStyle(std::vector<TFontStyle> style) {
  Style_ = std::move(style);
  Handle_.Reset();
}

HFONT TFont::Handle() const {
  if (!Handle_) {
    const auto has = [this](TFontStyle style) {
      return std::find(Style_.begin(), Style_.end(), style) != Style_.end();
    };
    LOGFONTW font{};
    font.lfHeight = Height_;
    font.lfWeight = has(TFontStyle::fsBold) ? FW_BOLD : FW_NORMAL;
    font.lfItalic = has(TFontStyle::fsItalic);
    font.lfUnderline = has(TFontStyle::fsUnderline);
    font.lfStrikeOut = has(TFontStyle::fsStrikeOut);
    font.lfCharSet = Charset_;
    font.lfOutPrecision = OUT_DEFAULT_PRECIS;
    font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily = DEFAULT_PITCH;
    const std::wstring face = platform::Widen(Name_);
    face.copy(font.lfFaceName, LF_FACESIZE - 1);
    Handle_.Reset(::CreateFontIndirectW(&font));
  }
  return Handle_.Get();
}

std::vector<TFontStyle> FontStyles(const TPropertyValue& value, std::string_view property) {
  std::vector<TFontStyle> styles;
  for (const std::string& name : PropertySet(value, property)) {
    styles.push_back(PropertyEnum(TPropertyValue(TIdent{name}), property, FontStyleIdents));
  }
  return styles;
}
