#include "image/graphic.h"

#include "rtl/file_stream.h"

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::StoreToFile(const std::string& fileName) {
  TFileStream stream(fileName, fmCreate);
  StoreToStream(stream);
}

void TGraphic::ReadData(TStream& stream) { LoadFromStream(stream); }

void TGraphic::WriteData(TStream& stream) { StoreToStream(stream); }

void TGraphic::Changed() {
  Modified_ = true;
  if (OnChange_) OnChange_(*this);
}
