// The program's entry point: the application object, titled "Tintsight", makes the main window
// and runs the message loop. The command line is not read, and the exit code is 0 whatever
// happens: a failure while starting is shown in the standard error box instead, the application
// object's own making included.
#include <windows.h>

#include "app/tintsight1.h"
#include "plugins/plugin_host_link.h"
#include "ui/application.h"
#include "ui/win_control.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  // Every plug-in runs in the helper beside this program; without one, no plug-in loads and a
  // picture that needs one fails to load, as any other failed load does.
  UsePluginHost(THelperMissing::hmNotLoaded);
  try {
    TApplication application;
    try {
      application.Initialize();
      application.SetTitle("Tintsight");
      application.CreateForm(tintsight1Form);
      application.Run();
    } catch (...) {
      application.HandleException();
    }
  } catch (...) {
    // No application object exists: the error box goes up without one.
    HandleWindowException();
  }
  return 0;
}
