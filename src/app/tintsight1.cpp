#include "app/tintsight1.h"

#include <functional>
#include <utility>

#include "app/tintsight1_description.h"
#include "image/colour/analysis.h"
#include "image/clipboard.h"
#include "platform/file.h"

Ttintsight1Form* tintsight1Form = nullptr;

const TPublishedClass& Ttintsight1Form::Published() {
  static const TPublishedClass entry{TComponentClass::Of<Ttintsight1Form>(), &TForm::Published(),
                                     {}, nullptr};
  return entry;
}

Ttintsight1Form::Ttintsight1Form(TComponent* owner) : TForm(owner) {
  // Every plug-in has been found (when the description's last component was loaded) before the
  // pictures exist.
  ReadFormDescription(Published(), Tintsight1Description());
  BindField(SPIs, "SPIs");
  BindField(Panel1, "Panel1");
  BindField(Chart1, "Chart1");
  BindField(Series1, "Series1");
  BindField(Image1, "Image1");
  BindField(Image2, "Image2");
  BindField(CalcConditionRadioGroup, "CalcConditionRadioGroup");
  BindField(QuitButton, "QuitButton");
  BindField(LoadButton, "LoadButton");
  BindField(ClipButton, "ClipButton");
  BindField(CalcButton, "CalcButton");
  BindField(SaveButton, "SaveButton");
  BindField(OpenDialog, "OpenDialog");
  BindField(ToClipButton, "ToClipButton");
  BindField(SaveDialog, "SaveDialog");
  ResultBitmap = std::make_unique<TBitmap>();
  SourceBitmap = std::make_unique<TSPIBitmap>();
}

Ttintsight1Form::~Ttintsight1Form() = default;

TNotifyEvent Ttintsight1Form::MethodAddress(std::string_view name) {
  using THandler = void (Ttintsight1Form::*)(TObject*);
  static constexpr std::pair<std::string_view, THandler> handlers[] = {
      {"LoadButtonClick", &Ttintsight1Form::LoadButtonClick},
      {"QuitButtonClick", &Ttintsight1Form::QuitButtonClick},
      {"ClipButtonClick", &Ttintsight1Form::ClipButtonClick},
      {"CalcButtonClick", &Ttintsight1Form::CalcButtonClick},
      {"SaveButtonClick", &Ttintsight1Form::SaveButtonClick}};
  for (const auto& [handlerName, handler] : handlers) {
    if (handlerName == name) {
      return [this, handler](TObject* sender) { (this->*handler)(sender); };
    }
  }
  return TForm::MethodAddress(name);
}

void Ttintsight1Form::LoadButtonClick(TObject*) {
  if (!Running() || !OpenDialog->Execute()) return;
  try {
    SourceBitmap->LoadFromFile(OpenDialog->FileName());
    Image1->Picture().SetGraphic(SourceBitmap.get());
  } catch (...) {
    // A file that no reader takes is no event worth a message; the box keeps its picture.
  }
}

void Ttintsight1Form::ClipButtonClick(TObject*) {
  if (!Running()) return;
  TClipboard& clipboard = TheClipboard();
  if (!clipboard.HasDataFormat(kClipboardBitmap)) return;
  try {
    ImportClipboardBitmap(clipboard, *SourceBitmap);
    Image1->Picture().SetGraphic(SourceBitmap.get());
  } catch (...) {
    // A clipboard held by another program or unreadable data: nothing changes, nothing is said.
  }
}

void Ttintsight1Form::CalcButtonClick(TObject*) {
  if (!Running()) return;
  // Every analysis starts again from the loaded picture, so results never accumulate; the
  // rewrite reaches only ResultBitmap's own copy of the pixels.
  ResultBitmap->Assign(SourceBitmap.get());
  ResultBitmap->SetPixelLayout(TPixelLayout::pl24Bit);
  ApplyAnalysisCondition(*ResultBitmap, CalcConditionRadioGroup->ItemIndex());
  Image2->Picture().SetGraphic(ResultBitmap.get());
}

void Ttintsight1Form::SaveButtonClick(TObject*) {
  if (!Running() || !SaveDialog->Execute()) return;
  const std::string target = SaveDialog->FileName();
  // With nothing analysed there is nothing to save: a new name still gets its empty file, but
  // an existing file (perhaps the very picture just loaded) is not emptied.
  if (ResultBitmap->Empty() && platform::FileKindOf(target) != platform::TFileKind::fkMissing) {
    return;
  }
  // A failed save goes to the standard error box: keeping quiet would pass a lost save off as
  // done. StoreToFile replaces an existing file only once the new one is complete.
  ResultBitmap->StoreToFile(target);
}

void Ttintsight1Form::QuitButtonClick(TObject*) {
  ResultBitmap.reset();
  SourceBitmap.reset();
  Close();
}
