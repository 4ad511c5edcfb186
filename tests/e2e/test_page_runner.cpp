// Page scripts run by TovlanePageRunner.exe against the real script bridge, as a page's script calls it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "base/untClientVersion.h"
#include "testkit/WinTestSupport.h"

namespace {

struct TPageRun {
  bool finished = false;
  DWORD exitCode = 0;
  std::vector<std::string> lines;  // standard output and error together, in the order written
};

std::wstring TempFile(const wchar_t* prefix) {
  wchar_t folder[MAX_PATH + 1], file[MAX_PATH + 1];
  GetTempPathW(MAX_PATH, folder);
  GetTempFileNameW(folder, prefix, 0, file);
  return file;
}

// The runner's output is caught by the command interpreter's redirection, which keeps its exit code.
TPageRun RunPage(const std::string& script, const std::wstring& options = L"") {
  const std::wstring scriptFile = TempFile(L"pgs"), outputFile = TempFile(L"pgo");
  WriteWholeFile(scriptFile, script);
  wchar_t system[MAX_PATH + 1];
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring command = L"/c \"\"" + WindowsPathFromEnv("TOVLANE_PAGE_RUNNER_EXE") + L"\" " + options + L" \"" +
                               scriptFile + L"\" > \"" + outputFile + L"\" 2>&1\"";
  const TProcessResult result = RunProcess(std::wstring(system) + L"\\cmd.exe", command, 120000);
  TPageRun run{result.finished, result.exitCode, SplitLines(ReadWholeFile(outputFile))};
  DeleteFileW(scriptFile.c_str());
  DeleteFileW(outputFile.c_str());
  return run;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

// The run ended by itself with the exit code and printed exactly these lines.
void ExpectRun(const TPageRun& run, DWORD exitCode, const std::vector<std::string>& lines) {
  ASSERT_TRUE(run.finished) << "the runner did not end";
  EXPECT_EQ(exitCode, run.exitCode) << Joined(run.lines);
  EXPECT_EQ(lines, run.lines);
}

}  // namespace

TEST(PageRunner, EndsAsTheScriptSays) {
  const struct {
    const char* script;
    const wchar_t* options;
    DWORD exitCode;
    std::vector<std::string> lines;
  } cases[] = {
      {"print('a'); exit(5); print('not reached');", L"", 5, {"a"}},
      {"setTimeout(function () { print('t2'); exit(0); }, 20);\nsetTimeout(function () { print('t1'); }, 10);\n"
       "var id = setTimeout(function () { print('cleared'); }, 5); clearTimeout(id);",
       L"",
       0,
       {"t1", "t2"}},
      {"window.setTimeout(function (a, b) { print(a + b + (this === window)); exit(0); }, 0, 'x', 'y');",
       L"",
       0,
       {"xytrue"}},
      {"var voxVoiceEngine = 1;\nprint(window.voxVoiceEngine + ' ' + typeof window.external);\nexit(0);",
       L"",
       0,
       {"1 object"}},
      {"print('a');\nvar x = ;", L"", 2, {"script error: Syntax error (line 2)"}},
      {"print('a');\nsetTimeout(function () {\n  missing.call();\n}, 0);",
       L"",
       2,
       {"a", "script error: 'missing' is undefined (line 3)"}},
      {"setTimeout(function () {}, 100000);",
       L"--timeout 100",
       3,
       {"timeout after 100 ms without exit(); 1 timer(s) pending: 1 (due in "}},
      {"external.recordVoice('flood', 100000000);",
       L"--echo-voice --timeout 300",
       3,
       {"timeout after 300 ms without exit(); no timer pending; "}},
      {"print('a');", L"--timeout", 1, {"usage: TovlanePageRunner [--microphone N] [--timeout MS] script.js"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    const TPageRun run = RunPage(c.script, c.options);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(c.exitCode, run.exitCode);
    ASSERT_EQ(c.lines.size(), run.lines.size()) << Joined(run.lines);
    for (size_t i = 0; i < c.lines.size(); ++i) EXPECT_EQ(0u, run.lines[i].rfind(c.lines[i], 0)) << run.lines[i];
  }
}

TEST(PageRunner, PluginMethodsAsAPageCallsThem) {
  const TPageRun run = RunPage(R"(
var versions = [external.getVoxExternalPluginVersion(), window.external.getVoxExternalPluginVersion()];
print(versions.join(" "));
print(typeof external.execVoxPluginCommand("forceupdateflash", ""));
print("before the command");
print(typeof external.execVoxPluginCommand("ForceUpdateFlash", ""));
print(typeof external.resetVoiceEngine() + " " + typeof external.resetVoiceEngine());
try { external.playAudio("c1", 5); print("no error"); } catch (e) { print(e.message); }
try { external.recordVoice("s1", "abc"); print("no error"); } catch (e) { print(e.message); }
exit(0);
)");
  ExpectRun(run, 0,
            {"pc-" TOVLANE_VERSION_TEXT " pc-" TOVLANE_VERSION_TEXT, "undefined", "before the command",
             "[main window] ForceFlashUpdate", "undefined", "undefined undefined", "no error",
             "speechTime must be a number of milliseconds"});
}

// Callbacks sent from workers, as the voice operations send them, through the runner's echo voice engine.
TEST(PageRunner, CallbackIdsFromWorkersArriveExactlyAsSent) {
  const TPageRun run = RunPage(R"(
var ids = ["q\"uote", "back\\slash", "line\nbreak\r", "sep\u2028ara\u2029tor", "\u4e2d\u6587\u53e5\u5b50",
           'x");alert(1);("', "", "nul\u0000tab\t", "\ud83d\ude00", "</script>"];
var injected = false;
function alert() { injected = true; }
var arrived = [];
window.voxVoiceEngine = {
  onRecordVoiceCompleted: function (id, status) {
    arrived.push(id);
    if (arrived.length < ids.length) return;
    for (var i = 0; i < ids.length; ++i) {
      var count = 0;
      for (var j = 0; j < arrived.length; ++j) if (arrived[j] === ids[i]) ++count;
      print(i + ": " + count);
    }
    print("injected: " + injected);
    exit(0);
  }
};
for (var i = 0; i < ids.length; ++i) external.recordVoice(ids[i], 1);
)",
                               L"--echo-voice");
  ExpectRun(run, 0,
            {"0: 1", "1: 1", "2: 1", "3: 1", "4: 1", "5: 1", "6: 1", "7: 1", "8: 1", "9: 1", "injected: false"});
}

// An early status runs inside the page's call, in the runner's engine as in the browser.
TEST(PageRunner, ACallbackOnTheMainThreadRunsBeforeTheCallReturns) {
  const TPageRun run = RunPage(R"(
var order = [];
window.voxVoiceEngine = {
  onScoreRecordedVoiceCompleted: function (id, status) { order.push(id + " " + status); }
};
external.scoreRecordedVoice("http://127.0.0.1/score", "s1", "Good morning", "0");
order.push("returned");
print(order.join(", "));
exit(0);
)",
                               L"--echo-voice");
  ExpectRun(run, 0, {"s1 no_recorded_voice, returned"});
}

TEST(PageRunner, EightWorkersDeliverEveryCallbackOnceInOrder) {
  const TPageRun run = RunPage(R"(
var next = {}, total = 0, wrong = 0, inside = false;
window.voxVoiceEngine = {
  onRecordVoiceCompleted: function (id, k) {
    if (Number(k) !== next[id] || inside) ++wrong;
    next[id] = Number(k) + 1;
    // Another callback must not slip in while this one calls the bridge.
    inside = true;
    external.getVoxExternalPluginVersion();
    inside = false;
    if (++total < 8000) return;
    for (var t = 0; t < 8; ++t) if (next["w" + t] !== 1001) ++wrong;
    print(total + " callbacks, " + wrong + " wrong");
    exit(0);
  }
};
for (var t = 0; t < 8; ++t) { next["w" + t] = 1; external.recordVoice("w" + t, 1000); }
)",
                               L"--echo-voice --timeout 100000");
  ExpectRun(run, 0, {"8000 callbacks, 0 wrong"});
}

TEST(PageRunner, ExitWhileWorkersWaitEndsTheRun) {
  const TPageRun run = RunPage(R"(
var seen = 0;
window.voxVoiceEngine = { onRecordVoiceCompleted: function () { if (++seen == 100) exit(4); } };
for (var t = 0; t < 8; ++t) external.recordVoice("w" + t, 1000000);
)",
                               L"--echo-voice");
  ExpectRun(run, 4, {});
}

// The document's example, run as it stands, prints what the document says it prints.
TEST(PageApiDocument, ExampleRunsToItsEnd) {
  const std::string document = ReadWholeFile(WindowsPathFromEnv("TOVLANE_SOURCE_DIR") + L"\\docs\\page-api.md");
  auto block = [&](const std::string& marker) {
    const size_t start = document.find("\n", document.find("```", document.find(marker))) + 1;
    return document.substr(start, document.find("```", start) - start);
  };
  const std::string script = block("<!-- example: run by the tests -->");
  std::vector<std::string> expected;
  const std::string output = block("<!-- example output -->");
  for (size_t start = 0, end; (end = output.find('\n', start)) != std::string::npos; start = end + 1)
    expected.push_back(output.substr(start, end - start));
  ASSERT_FALSE(script.empty());
  // The platform's address of the example is the test server's here.
  const std::string placeholder = "http://platform.example";
  const size_t at = script.find(placeholder);
  ASSERT_NE(std::string::npos, at);
  const char* server = std::getenv("TOVLANE_SERVER");
  ASSERT_TRUE(server);
  ExpectRun(RunPage(script.substr(0, at) + server + script.substr(at + placeholder.size())), 0, expected);
}
