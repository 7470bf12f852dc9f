// The one way into a plug-in's code: every call of an entry point, and the loading and unloading
// of its module, runs under platform::CallGuarded, so that a processor fault inside the plug-in
// costs that call and not the program.
#pragma once

#include <string>
#include <type_traits>

#include "platform/guarded_call.h"

// ESPIFault "%s:Susie Pluginの%sで例外 %s が発生しました" (fileName, entryPoint, the fault's code)
// for a fault inside the entry point `entryPoint` of the module `fileName`.
[[noreturn]] void RaisePluginFault(const std::string& fileName, const char* entryPoint,
                                   const platform::TFault& fault);

// The fault's code as RaisePluginFault last put it in a message on this thread ("SIGSEGV",
// "0xC0000005"): the plug-in helper reports it to the program, which makes its own message.
const std::string& LastPluginFaultText();

// Runs call() under the guard. A fault inside it raises the plug-in fault for `fileName` and
// `entryPoint` once the guard has been left. `call` only calls into the plug-in and copies plain
// values: it must not throw, and whatever it holds is abandoned on a fault.
template <class Call>
void CallPlugin(const std::string& fileName, const char* entryPoint, Call&& call) {
  platform::TFault fault;
  const bool returned = platform::CallGuarded(
      [](void* context) { (*static_cast<std::remove_reference_t<Call>*>(context))(); }, &call,
      fault);
  if (!returned) RaisePluginFault(fileName, entryPoint, fault);
}
