#include "cli/picture_loader.h"

#include "pictures/spi_bitmap.h"

std::unique_ptr<TBitmap> TPictureLoader::Load(const std::string& fileName) const {
  auto bitmap = std::make_unique<TSPIBitmap>();
  bitmap->LoadFromFile(fileName);
  return bitmap;
}
