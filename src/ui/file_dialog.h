// TOpenDialog and TSaveDialog: the system's modal file dialogs. Each remembers the file name
// last chosen in it and opens with it. The options left at their defaults hide the read-only
// check box and let the dialog be resized; nothing more is asked of the user or of the file.
#pragma once

#include <string>
#include <vector>

#include "rtl/component.h"
#include "ui/published_class.h"

enum class TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofEnableSizing
};

class TOpenDialog : public TComponent {
 public:
  TS_CLASS_NAME(TOpenDialog)
  static const TPublishedClass& Published();

  explicit TOpenDialog(TComponent* owner);

  // Shows the dialog modally over the active window; true when the user chose a file, whose
  // full path FileName then holds. A cancelled dialog changes nothing.
  virtual bool Execute();

  const std::string& FileName() const { return FileName_; }
  void SetFileName(std::string name) { FileName_ = std::move(name); }
  // Pairs of description and pattern separated by "|" ("画像|*.bmp|すべて|*.*"); empty lists
  // every file.
  const std::string& Filter() const { return Filter_; }
  void SetFilter(std::string filter) { Filter_ = std::move(filter); }
  const std::string& DefaultExt() const { return DefaultExt_; }
  void SetDefaultExt(std::string extension) { DefaultExt_ = std::move(extension); }
  const std::string& InitialDir() const { return InitialDir_; }
  void SetInitialDir(std::string folder) { InitialDir_ = std::move(folder); }
  const std::string& Title() const { return Title_; }
  void SetTitle(std::string title) { Title_ = std::move(title); }
  const std::vector<TOpenOption>& Options() const { return Options_; }
  void SetOptions(std::vector<TOpenOption> options) { Options_ = std::move(options); }
  bool HasOption(TOpenOption option) const;

  // The system's flags for the options (the modern dialog always).
  unsigned long Flags() const;

 protected:
  bool Run(bool save);

 private:
  std::string FileName_;
  std::string Filter_;
  std::string DefaultExt_;
  std::string InitialDir_;
  std::string Title_;
  std::vector<TOpenOption> Options_{TOpenOption::ofHideReadOnly, TOpenOption::ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
 public:
  TS_CLASS_NAME(TSaveDialog)
  static const TPublishedClass& Published();

  using TOpenDialog::TOpenDialog;
  bool Execute() override;
};
