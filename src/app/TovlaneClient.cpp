// Entry point: the first argument chooses a silent MTU repair, the main window, the tools window, or nothing.
#include <windows.h>

#include <shellapi.h>

#include <vector>

#include "app/untApplication.h"
#include "app/untCommandLine.h"
#include "app/untGlobal.h"
#include "app/untSettings.h"
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

int RunEnsureMtu() {
  WriteLog(L"nothing to do with mtu");
  return 0;
}

// A main window that cannot be made is reported; the process then ends as after a normal close.
int RunMainWindow() {
  try {
    TFormMainTovlaneClient form;
    form.FormCreate();
    return RunMessageLoop();
  } catch (const std::exception& error) {
    ShowDefaultError(nullptr, error);
    return 0;
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
  InitGlobal();
  const TStartupChoice choice = ChooseRunMode(CommandLineArguments());
  if (choice.mode == TRunMode::EnsureMtu) return RunEnsureMtu();
  if (choice.mode == TRunMode::Nothing) return 0;

  InitGuiApplication();
  IniFile = std::make_unique<TIniFile>(SettingsFileName());
  if (choice.hasOpenUrl) OpenUrl = choice.openUrl;
  if (choice.mode == TRunMode::MainWindow) return RunMainWindow();
  return 0;
}
