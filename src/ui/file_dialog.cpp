#include "ui/file_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>

#include "platform/text.h"

namespace {

constexpr std::pair<std::string_view, TOpenOption> OpenOptionIdents[] = {
    {"ofReadOnly", TOpenOption::ofReadOnly},
    {"ofOverwritePrompt", TOpenOption::ofOverwritePrompt},
    {"ofHideReadOnly", TOpenOption::ofHideReadOnly},
    {"ofNoChangeDir", TOpenOption::ofNoChangeDir},
    {"ofPathMustExist", TOpenOption::ofPathMustExist},
    {"ofFileMustExist", TOpenOption::ofFileMustExist},
    {"ofCreatePrompt", TOpenOption::ofCreatePrompt},
    {"ofEnableSizing", TOpenOption::ofEnableSizing}};

DWORD OptionFlag(TOpenOption option) {
  switch (option) {
    case TOpenOption::ofReadOnly:
      return OFN_READONLY;
    case TOpenOption::ofOverwritePrompt:
      return OFN_OVERWRITEPROMPT;
    case TOpenOption::ofHideReadOnly:
      return OFN_HIDEREADONLY;
    case TOpenOption::ofNoChangeDir:
      return OFN_NOCHANGEDIR;
    case TOpenOption::ofPathMustExist:
      return OFN_PATHMUSTEXIST;
    case TOpenOption::ofFileMustExist:
      return OFN_FILEMUSTEXIST;
    case TOpenOption::ofCreatePrompt:
      return OFN_CREATEPROMPT;
    case TOpenOption::ofEnableSizing:
      return OFN_ENABLESIZING;
  }
  return 0;
}

// Room for a long path; the dialog reports a name that does not fit as a failure.
constexpr std::size_t FileNameCapacity = 32768;

}  // namespace

const TPublishedClass& TOpenDialog::Published() {
  static const TPublishedClass entry{
      TComponentClass::Of<TOpenDialog>(),
      nullptr,
      {Bind<TOpenDialog>("FileName",
                         [](TOpenDialog& d, const TPropertyValue& v) {
                           d.SetFileName(PropertyText(v, "FileName"));
                         }),
       Bind<TOpenDialog>("Filter",
                         [](TOpenDialog& d, const TPropertyValue& v) {
                           d.SetFilter(PropertyText(v, "Filter"));
                         }),
       Bind<TOpenDialog>("DefaultExt",
                         [](TOpenDialog& d, const TPropertyValue& v) {
                           d.SetDefaultExt(PropertyText(v, "DefaultExt"));
                         }),
       Bind<TOpenDialog>("InitialDir",
                         [](TOpenDialog& d, const TPropertyValue& v) {
                           d.SetInitialDir(PropertyText(v, "InitialDir"));
                         }),
       Bind<TOpenDialog>("Title",
                         [](TOpenDialog& d, const TPropertyValue& v) {
                           d.SetTitle(PropertyText(v, "Title"));
                         }),
       Bind<TOpenDialog>("Options",
                         [](TOpenDialog& d, const TPropertyValue& v) {
                           std::vector<TOpenOption> options;
                           for (const std::string& name : PropertySet(v, "Options")) {
                             options.push_back(PropertyEnum(TPropertyValue(TIdent{name}),
                                                            "Options", OpenOptionIdents));
                           }
                           d.SetOptions(std::move(options));
                         })},
      nullptr};
  return entry;
}

const TPublishedClass& TSaveDialog::Published() {
  static const TPublishedClass entry{TComponentClass::Of<TSaveDialog>(), &TOpenDialog::Published(),
                                     {}, nullptr};
  return entry;
}

TOpenDialog::TOpenDialog(TComponent* owner) : TComponent(owner) {}

bool TOpenDialog::HasOption(TOpenOption option) const {
  return std::find(Options_.begin(), Options_.end(), option) != Options_.end();
}

unsigned long TOpenDialog::Flags() const {
  DWORD flags = OFN_EXPLORER;
  for (TOpenOption option : Options_) flags |= OptionFlag(option);
  return flags;
}

bool TOpenDialog::Execute() { return Run(false); }

bool TSaveDialog::Execute() { return Run(true); }

bool TOpenDialog::Run(bool save) {
  std::wstring file = platform::Widen(FileName_);
  file.resize(FileNameCapacity, L'\0');
  // The filter's pairs end each in a null character, the list in two.
  std::wstring filter = platform::Widen(Filter_);
  if (!filter.empty()) {
    std::replace(filter.begin(), filter.end(), L'|', L'\0');
    filter.append(2, L'\0');
  }
  const std::wstring initialDir = platform::Widen(InitialDir_);
  const std::wstring title = platform::Widen(Title_);
  const std::wstring defaultExt = platform::Widen(DefaultExt_);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = ::GetActiveWindow();
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
  dialog.lpstrTitle = title.empty() ? nullptr : title.c_str();
  dialog.lpstrDefExt = defaultExt.empty() ? nullptr : defaultExt.c_str();
  dialog.Flags = Flags();

  const BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
  if (!chosen) return false;
  FileName_ = platform::Narrow(file.c_str());
  return true;
}
