#include "image/file_formats.h"

#include <algorithm>

#include "image/bitmap.h"
#include "image/icon.h"
#include "image/metafile.h"
#include "platform/letter_case.h"

TFileFormatsList::TFileFormatsList() {
  Add("wmf", "メタファイル", TGraphicClass::Of<TMetafile>());
  Add("emf", "エンハンス メタファイル", TGraphicClass::Of<TMetafile>());
  Add("ico", "アイコン", TGraphicClass::Of<TIcon>());
  Add("bmp", "ビットマップ", TGraphicClass::Of<TBitmap>());
}

void TFileFormatsList::Add(std::string_view extension, std::string_view description,
                           TGraphicClass graphicClass) {
  Formats_.push_back({graphicClass, platform::LowerCase(extension), std::string(description)});
}

TGraphicClass TFileFormatsList::FindClassName(std::string_view className) const {
  // Latest first, so that a later registration of a name wins.
  const auto found = std::find_if(Formats_.rbegin(), Formats_.rend(), [&](const TFileFormat& f) {
    return f.GraphicClass.ClassName() == className;
  });
  return found != Formats_.rend() ? found->GraphicClass : TGraphicClass();
}

TFileFormatsList& GetFileFormats() {
  static TFileFormatsList formats;
  return formats;
}
