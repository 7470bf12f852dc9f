// Ttintsight1Form: the program's one window. Its controls, the plug-in collection and the two
// dialogs come from its stored description (tintsight1_description.cpp); the window owns them
// through component ownership. It also owns the two pictures: SourceBitmap, the picture as
// loaded, and ResultBitmap, the analysed picture. The image boxes hold copies of their own that
// share the pixels, so releasing the window's pictures never changes what the boxes show.
#pragma once

#include <memory>
#include <string_view>

#include "image/bitmap.h"
#include "pictures/spi_bitmap.h"
#include "plugins/spis.h"
#include "ui/button.h"
#include "ui/chart.h"
#include "ui/file_dialog.h"
#include "ui/form.h"
#include "ui/image.h"
#include "ui/panel.h"
#include "ui/radio_group.h"

class Ttintsight1Form : public TForm {
 public:
  TS_CLASS_NAME(Ttintsight1Form)
  static const TPublishedClass& Published();

  // Reads the description (the plug-in collection searches for plug-ins when the whole of it
  // has been read), then makes the two empty pictures.
  explicit Ttintsight1Form(TComponent* owner);
  ~Ttintsight1Form() override;

  // Made by the description, owned by the window.
  TSPIs* SPIs = nullptr;
  TPanel* Panel1 = nullptr;
  TChart* Chart1 = nullptr;
  TPolarSeries* Series1 = nullptr;
  TImage* Image1 = nullptr;
  TImage* Image2 = nullptr;
  TRadioGroup* CalcConditionRadioGroup = nullptr;
  TButton* QuitButton = nullptr;
  TButton* LoadButton = nullptr;
  TButton* ClipButton = nullptr;
  TButton* CalcButton = nullptr;
  TButton* SaveButton = nullptr;
  TOpenDialog* OpenDialog = nullptr;
  TButton* ToClipButton = nullptr;
  TSaveDialog* SaveDialog = nullptr;

  // Owned by the window until "終了" releases them.
  std::unique_ptr<TBitmap> ResultBitmap;
  std::unique_ptr<TSPIBitmap> SourceBitmap;

  // "ファイルから読みこむ": the chosen file becomes SourceBitmap and the upper box shows it. A
  // file that cannot be loaded changes nothing and is not reported.
  void LoadButtonClick(TObject* sender);
  // "クリップボードから読みこむ": a bitmap on the clipboard becomes SourceBitmap and the upper
  // box shows it. Without one, or when it cannot be read, nothing changes and nothing is said.
  void ClipButtonClick(TObject* sender);
  // "解析する": ResultBitmap becomes SourceBitmap in 24 bits with the selected condition
  // applied, and the lower box shows it. A failure is shown in the standard error box.
  void CalcButtonClick(TObject* sender);
  // "ファイルに保存する": ResultBitmap is written as a BMP file under exactly the chosen name. A
  // failure is shown in the standard error box and leaves an existing file as it was.
  void SaveButtonClick(TObject* sender);
  // "終了": releases both pictures and closes the window, which ends the program.
  void QuitButtonClick(TObject* sender);

  TNotifyEvent MethodAddress(std::string_view name) override;

 private:
  // Whether the pictures are still there: after "終了" a click already queued does nothing.
  bool Running() const { return SourceBitmap != nullptr && ResultBitmap != nullptr; }
};

// The one window, set by the application while it is being made; null when making it failed.
extern Ttintsight1Form* tintsight1Form;
