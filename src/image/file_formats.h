// The picture-format registry: one list per process of (picture class, file extension,
// description) entries. It starts with the class library's own formats; the plug-in collection
// adds the formats of each import plug-in. Reading a picture stored in a description looks its
// class up here by name.
//
// The list lives for the whole process and is made on first use. It is not locked: like every
// picture operation it belongs to the user-interface thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "image/graphic.h"

struct TFileFormat {
  TGraphicClass GraphicClass;
  std::string Extension;  // lower case, without a dot; may be empty
  std::string Description;
};

class TFileFormatsList {
 public:
  // The built-in entries, in this order: "wmf" and "emf" (TMetafile), "ico" (TIcon), "bmp"
  // (TBitmap), with their descriptions.
  TFileFormatsList();
  TFileFormatsList(const TFileFormatsList&) = delete;
  TFileFormatsList& operator=(const TFileFormatsList&) = delete;

  // Appends an entry. The extension (UTF-8, without a dot) is stored in lower case under the
  // system's rules. An extension may occur in several entries; nothing is ever removed.
  void Add(std::string_view extension, std::string_view description, TGraphicClass graphicClass);

  // The class of the last entry whose class name equals `className` exactly (letter case
  // included), or the null class when none does.
  TGraphicClass FindClassName(std::string_view className) const;

  int Count() const { return static_cast<int>(Formats_.size()); }
  // The entry at `index` (0 to Count() - 1), oldest first.
  const TFileFormat& Items(int index) const { return Formats_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<TFileFormat> Formats_;
};

// The process's registry, made with its built-in entries on first use.
TFileFormatsList& GetFileFormats();
