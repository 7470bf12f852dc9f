// TSPI: one opened Susie plug-in module, bound by its entry points and described by itself.
//
// The object loads the module in its constructor and keeps it loaded until it is destroyed. Its
// description (API version, name, file filters and their format descriptions) is read once, in
// the constructor, and never changes. Texts are UTF-8 here; the module speaks the system's 8-bit
// code page, and the description is converted from it. Buffers passed through the entry-point
// operations reach the module unchanged, so texts in them are in the module's code page (see
// platform::Utf8ToAnsi / AnsiToUtf8).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <memory>

#include "plugins/spi_module.h"
#include "rtl/class_ref.h"
#include "rtl/object.h"
#include "spi_abi.h"

class TSPI;

// A plug-in class: TSPI or a descendant, constructed from a module path.
using TSPIClass = TClassRef<TSPI, const std::string&>;

class TSPI : public TObject {
 public:
  TS_CLASS_NAME(TSPI)

  // Loads the module at `fileName` (UTF-8) and reads its description. Fails with
  // ESPIFOpenErrorSPI "%s:Susie Pluginがロードできませんでした" (the path given) when the module does
  // not load or faults while loading, with ESPIFault when GetPluginInfo faults, and with
  // ESPIInvalidSPI "%s:認識できないSusie Pluginです" (FileName) when it does not export
  // GetPluginInfo; whatever was acquired is released before the exception leaves.
  explicit TSPI(const std::string& fileName);
  // Unloads this object's load of the module (a fault while it unloads is ignored).
  ~TSPI() override;

  // Calls the module's GetPluginInfo with the arguments unchanged and returns its result; a
  // processor fault inside it raises ESPIFault (see TInSPI).
  std::int32_t GetPluginInfo(std::int32_t infoNo, char* buffer, std::int32_t bufferLength);

  // The file filters (information numbers 2, 4, 6, ...) in the module's order, and the format
  // description of each (3, 5, 7, ...): entry i of one belongs to entry i of the other, and both
  // always have the same length. Owned by this object; callers only read them.
  const std::vector<std::string>& GetExtNames() const { return ExtNames_; }
  const std::vector<std::string>& GetFileTypes() const { return FileTypes_; }

  // The system's handle of the loaded module (in the plug-in helper's process when it runs
  // there); never 0 in a constructed object.
  std::uintptr_t Handle() const { return Module_->Handle(); }
  // The module's full path as the system reports it, or the path given when it reports none.
  const std::string& FileName() const { return FileName_; }
  // The answer to information number 0 ("00IN", "00AM", "00XN", ...); empty when none.
  const std::string& APIVersion() const { return APIVersion_; }
  // The answer to information number 1; empty when none.
  const std::string& PluginName() const { return PluginName_; }

 protected:
  // The module, through which every entry point is called.
  TSpiModule& Module() const { return *Module_; }
  // ESPIInvalidSPI for this module.
  [[noreturn]] void RaiseInvalidSPI() const;
  // ESPIInvalidAPI "%sは[%s]では使えないSusie Plugin APIです" for the entry point `name`.
  [[noreturn]] void RaiseInvalidAPI(const char* name) const;

 private:
  // Asks the module for the text of information number `infoNo`; false when it answers none.
  bool ReadInfo(std::int32_t infoNo, std::string& text);

  // Declared first so that it is released last, after everything read from the module.
  std::unique_ptr<TSpiModule> Module_;
  std::string FileName_;
  std::string APIVersion_;
  std::string PluginName_;
  std::vector<std::string> ExtNames_;
  std::vector<std::string> FileTypes_;
};
