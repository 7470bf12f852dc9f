// The exception family of the class library. Every failure that the program reports is an
// `Exception` (or derived) carrying the exact user-facing message, in UTF-8.
#pragma once

#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

#include "rtl/format.h"

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : Message_(std::move(message)) {}
  Exception(std::string_view format, std::initializer_list<TFormatArg> args)
      : Message_(Format(format, args)) {}

  const std::string& Message() const noexcept { return Message_; }
  const char* what() const noexcept override { return Message_.c_str(); }
  // The class name as the class library names it, for diagnostics and tests.
  virtual const char* ClassName() const noexcept { return "Exception"; }

 private:
  std::string Message_;
};

// Declares an exception class that adds nothing to its base but its name.
#define TS_DECLARE_EXCEPTION(Name, Base)                                    \
  class Name : public Base {                                                \
   public:                                                                  \
    using Base::Base;                                                       \
    const char* ClassName() const noexcept override { return #Name; }       \
  }

// The silent abort: handlers that show errors show nothing for it.
TS_DECLARE_EXCEPTION(EAbort, Exception);

TS_DECLARE_EXCEPTION(EOutOfMemory, Exception);
TS_DECLARE_EXCEPTION(EOutOfResources, EOutOfMemory);
TS_DECLARE_EXCEPTION(EWin32Error, Exception);
TS_DECLARE_EXCEPTION(EConvertError, Exception);
TS_DECLARE_EXCEPTION(EListError, Exception);

TS_DECLARE_EXCEPTION(EStreamError, Exception);
TS_DECLARE_EXCEPTION(EFCreateError, EStreamError);
TS_DECLARE_EXCEPTION(EFOpenError, EStreamError);
TS_DECLARE_EXCEPTION(EFilerError, EStreamError);
TS_DECLARE_EXCEPTION(EReadError, EFilerError);
TS_DECLARE_EXCEPTION(EWriteError, EFilerError);

TS_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
TS_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

TS_DECLARE_EXCEPTION(ERegistryException, Exception);

// The platform's failures, with the messages of the class library.
// EWin32Error "Win32 エラー。コード : %d.\n%s" for `code`, with the system's text for it.
[[noreturn]] void RaiseWin32Error(unsigned long code);
// EOutOfResources with the system's text for the last error code, or "システム リソースが足りません"
// when there is no code or no text for it.
[[noreturn]] void RaiseOutOfResources();
