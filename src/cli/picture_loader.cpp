#include "cli/picture_loader.h"

std::unique_ptr<TBitmap> TPictureLoader::Load(const std::string& fileName) const {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->LoadFromFile(fileName);
  return bitmap;
}
