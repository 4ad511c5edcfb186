#include "app/untCommandLine.h"

TStartupChoice ChooseRunMode(const std::vector<std::wstring>& arguments) {
  TStartupChoice choice;
  const std::wstring first = arguments.empty() ? std::wstring() : arguments[0];
  if (first == L"--ensure-mtu") {
    choice.mode = TRunMode::EnsureMTU;
  } else if (first.empty()) {
    choice.mode = TRunMode::MainWindow;
  } else if (first == L"--open-url") {
    choice.mode = TRunMode::MainWindow;
    choice.hasOpenUrl = true;
    if (arguments.size() > 1) choice.openUrl = arguments[1];
  } else if (first == L"--tools") {
    choice.mode = TRunMode::Tools;
  }
  return choice;
}
