#include "cli/picture_output.h"

#include "cli/output_file.h"

#include "image/png/png_writer.h"
#include "rtl/file_name.h"
#include "rtl/file_save.h"

TOutputFormat OutputFormatFor(const std::string& fileName) {
  std::string extension = ExtractFileExt(fileName);
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return extension == ".png" ? TOutputFormat::ofPng : TOutputFormat::ofBmp;
}

void StorePicture(TBitmap& picture, const std::string& fileName) {
  const std::unique_ptr<TFileSave> output = OpenOutput(fileName);
  switch (OutputFormatFor(fileName)) {
    case TOutputFormat::ofBmp:
      picture.StoreToStream(output->Stream());
      break;
    case TOutputFormat::ofPng:
      WritePng(picture, output->Stream());
      break;
  }
  output->Commit();
}
