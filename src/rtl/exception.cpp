#include "rtl/exception.h"

#include "platform/error.h"
#include "rtl/messages.h"

void RaiseWin32Error(unsigned long code) {
  throw EWin32Error(rtl_messages::SWin32Error,
                    {static_cast<long long>(code), platform::SystemErrorMessage(code)});
}

void RaiseOutOfResources() {
  const unsigned long code = platform::LastErrorCode();
  std::string text = code != 0 ? platform::SystemErrorMessage(code) : std::string();
  if (text.size() > 256) text.resize(256);
  throw EOutOfResources(text.empty() ? std::string(rtl_messages::SOutOfResources) : text);
}
