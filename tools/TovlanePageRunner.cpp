// TovlanePageRunner [--microphone N] [--timeout MS] script.js: runs a page's script against the real
// script bridge in the platform's JScript engine, without a browser. Exit codes: the script's exit(code);
// 1 the runner could not start; 2 a script error; 3 the time ran out before the script called exit.
#include <windows.h>

#include <cwchar>
#include <memory>
#include <string>

#include "base/untGlobal.h"
#include "base/untMainThread.h"
#include "base/untText.h"
#include "bridge/untVoiceEngine.h"
#include "tools/untRunnerBridge.h"

namespace {

constexpr DWORD kDefaultTimeoutMs = 30000;

struct TRunnerOptions {
  int microphone = 0;
  bool echoVoice = false;  // test only, not in the usage line
  DWORD timeoutMs = kDefaultTimeoutMs;
  std::wstring scriptFile;
};

bool ParseNumber(const wchar_t* text, long maximum, long& value) {
  wchar_t* end = nullptr;
  value = std::wcstol(text, &end, 10);
  return *text && !*end && value >= 0 && value <= maximum;
}

bool ParseOptions(int argc, wchar_t** argv, TRunnerOptions& options) {
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    long value = 0;
    if (argument == L"--microphone" && i + 1 < argc && ParseNumber(argv[++i], 0x7FFFFFFF, value)) {
      options.microphone = static_cast<int>(value);
    } else if (argument == L"--timeout" && i + 1 < argc && ParseNumber(argv[++i], 0x7FFFFFFF, value)) {
      options.timeoutMs = static_cast<DWORD>(value);
    } else if (argument == L"--echo-voice") {
      options.echoVoice = true;
    } else if (argument.compare(0, 2, L"--") != 0 && options.scriptFile.empty()) {
      options.scriptFile = argument;
    } else {
      return false;
    }
  }
  return !options.scriptFile.empty();
}

// The script file as UTF-8, with or without a byte-order mark; false when it cannot be read.
bool ReadScript(const std::wstring& fileName, std::wstring& script) {
  HANDLE file = CreateFileW(fileName.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  bool ok = true;
  while ((ok = ReadFile(file, buffer, sizeof(buffer), &got, nullptr)) && got > 0) bytes.append(buffer, got);
  CloseHandle(file);
  if (!ok) return false;
  if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) bytes.erase(0, 3);
  const int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  script.assign(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &script[0], size);
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  // The bridge logs as in the client, into the client's log, started afresh.
  InitGlobal();
  TRunnerOptions options;
  if (!ParseOptions(argc, argv, options)) {
    WriteRunnerLine(STD_ERROR_HANDLE, L"usage: TovlanePageRunner [--microphone N] [--timeout MS] script.js");
    return reFailed;
  }
  std::wstring script;
  if (!ReadScript(options.scriptFile, script)) {
    WriteRunnerLine(STD_ERROR_HANDLE, L"cannot read " + options.scriptFile);
    return reFailed;
  }
  if (FAILED(OleInitialize(nullptr))) return reFailed;
  int exitCode = reFailed;
  try {
    TMainThread mainThread;
    TMainWindowStandIn mainWindow;
    TPageRunner runner(options.timeoutMs);
    std::unique_ptr<IVoiceOperations> voice;
    if (options.echoVoice)
      voice = std::make_unique<TEchoVoiceOperations>();
    else
      voice = std::make_unique<TVoiceEngine>();
    auto bridge = TTovlaneWebBrowserExternal::Create(std::make_unique<TRunnerScriptExecutor>(runner), std::move(voice));
    bridge->SetMainWindow(&mainWindow);
    bridge->SetMicrophoneDeviceId(options.microphone);
    exitCode = runner.Run(script, bridge.Get());
    // Workers still waiting for the main thread are let go; what they send now is dropped.
    mainThread.Shutdown();
    bridge->SetMainWindow(nullptr);
  } catch (const std::exception& error) {
    WriteRunnerLine(STD_ERROR_HANDLE, L"cannot run the page: " + AnsiToWide(error.what()));
  }
  OleUninitialize();
  // Workers of the bridge may still be running.
  EndProcess(exitCode);
}
