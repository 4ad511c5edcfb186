// Entry point: the first argument chooses a silent MTU repair, the main window, the tools window, or nothing.
#include <windows.h>

#include <shellapi.h>

#include <exception>
#include <vector>

#include "app/untApplication.h"
#include "app/untCommandLine.h"
#include "base/untCrashReport.h"
#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untMessages.h"
#include "base/untSettings.h"
#include "base/untText.h"
#include "network/untFormTools.h"
#include "network/untMTU.h"
#include "shell/untFormMain.h"

namespace {

std::vector<std::wstring> CommandLineArguments() {
  std::vector<std::wstring> arguments;
  int count = 0;
  LPWSTR* words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!words) return arguments;
  for (int i = 1; i < count; ++i) arguments.emplace_back(words[i]);
  LocalFree(words);
  return arguments;
}

// No window here: the exit code (100 changed, 0 not) and the log are all a caller sees. An interface whose
// values are not as expected is logged and left as it is; the others are still adjusted.
int RunEnsureMTU() {
  bool changed = false;
  try {
    changed = SetAllMTU(kLoweredMTU, [](const std::wstring& interfaceName, const std::exception& error) {
      WriteLog(L"SetAllMTU skip interface " + interfaceName + L": " + AnsiToWide(error.what()));
    });
  } catch (const std::exception& error) {
    WriteLog(L"error: " + AnsiToWide(error.what()));
  }
  WriteLog(changed ? L"set mtu successfully, need reboot" : L"nothing to do with mtu");
  return changed ? 100 : 0;
}

// A window that cannot be made is reported, and the process ends with 1.
int RunMainWindow() {
  try {
    TMainThread mainThread;
    TFormMainTovlaneClient form;
    form.FormCreate();
    const int exitCode = RunMessageLoop([&form](MSG& message) { return form.ApplicationEvents1Message(message); });
    // Workers that still wait for the main thread are let go before anything is torn down.
    mainThread.Shutdown();
    return exitCode;
  } catch (const std::exception& error) {
    ReportError(nullptr, error);
    return 1;
  }
}

int RunToolsWindow() {
  try {
    TFormTools formTools;
    return RunMessageLoop();
  } catch (const std::exception& error) {
    ReportError(nullptr, error);
    return 1;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  InitGlobal();
  InstallCrashReport();
  const TStartupChoice choice = ChooseRunMode(CommandLineArguments());
  if (choice.mode == TRunMode::EnsureMTU) return RunEnsureMTU();
  if (choice.mode == TRunMode::Nothing) return 0;

  InitGuiApplication();
  IniFile = std::make_unique<TIniFile>(SettingsFileName());
  if (choice.hasOpenUrl) OpenUrl = choice.openUrl;
  // Workers of the voice engine and the update may still be running.
  EndProcess(choice.mode == TRunMode::MainWindow ? RunMainWindow() : RunToolsWindow());
}
