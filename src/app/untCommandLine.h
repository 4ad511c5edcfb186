#pragma once
// The first command-line argument chooses how the process runs.
#include <string>
#include <vector>

enum class TRunMode { EnsureMTU, MainWindow, Tools, Nothing };

struct TStartupChoice {
  TRunMode mode = TRunMode::Nothing;
  bool hasOpenUrl = false;  // "--open-url" was given; openUrl may still be empty
  std::wstring openUrl;
};

// arguments: the command line without the program's own name. Option words match exactly, case included.
TStartupChoice ChooseRunMode(const std::vector<std::wstring>& arguments);
