#include "network/untFormTools.h"

#include "base/untMessages.h"
#include "network/untMTU.h"
#include "support/widgets/TGdi.h"

namespace {

constexpr int kClientWidth = 544;
constexpr int kClientHeight = 276;
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_TOPMOST;  // a single fixed border, from the caption

// Controls inside a group box are placed relative to it but created on the form, which receives their clicks.
struct TGroupOrigin {
  int left;
  int top;
};
constexpr TGroupOrigin GroupBox1 = {24, 15};
constexpr TGroupOrigin GroupBox2 = {24, 120};

}  // namespace

void RebootSystem() {
  // Each step may fail; Windows then simply refuses the restart, which is not reported.
  TKernelHandle token;
  OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive());
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  LookupPrivilegeValueW(nullptr, L"SeShutdownPrivilege", &privileges.Privileges[0].Luid);
  AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
  ExitWindowsEx(EWX_REBOOT, 0);
}

TFormTools::TFormTools()
    : FFont(CreateUiFont(L"Tahoma", 11, false, DEFAULT_CHARSET)),
      IECache1({TIECacheEntryOption::NORMAL_ENTRY, TIECacheEntryOption::STICKY_ENTRY,
                TIECacheEntryOption::URLHISTORY_ENTRY, TIECacheEntryOption::TRACK_OFFLINE_ENTRY,
                TIECacheEntryOption::TRACK_ONLINE_ENTRY}) {
  SetBackgroundColour(GetSysColor(COLOR_BTNFACE));
  CreateHandle(kFormToolsClassName, L"Tovlane 工具", kFormStyle, kFormExStyle,
               CentredWindowBounds(kClientWidth, kClientHeight, kFormStyle, kFormExStyle), nullptr);
  CreateControls();
  btnClearIECache->OnClick = [this] { btnClearIECacheClick(); };
  btnFixMTU->OnClick = [this] { btnFixMTUClick(); };
  btnResetMTU->OnClick = [this] { btnResetMTUClick(); };
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(Handle());
}

TFormTools::~TFormTools() { DestroyHandle(); }

HWND TFormTools::AddControl(const wchar_t* className, const wchar_t* text, DWORD style, int left, int top, int width,
                            int height) {
  HWND control = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, left, top, width, height, Handle(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
  if (control) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
  return control;
}

void TFormTools::CreateControls() {
  AddControl(L"BUTTON", L"Internet Explorer 缓存", BS_GROUPBOX, GroupBox1.left, GroupBox1.top, 489, 82);
  AddControl(L"STATIC", L"如果遇到无法打开作业等问题，请清理IE缓存后再试。", SS_LEFT, GroupBox1.left + 16,
             GroupBox1.top + 33, 286, 13);
  btnClearIECache = std::make_unique<TButton>(
      Handle(), idClearIECache, Place(GroupBox1.left + 328, GroupBox1.top + 24, 145, 33), L"清理IE缓存", FFont.Get());
  AddControl(L"BUTTON", L"网络最大传输单元(MTU)", BS_GROUPBOX, GroupBox2.left, GroupBox2.top, 489, 137);
  AddControl(L"STATIC",
             L"有的家用无线路由器或者小区宽带的参数配置错误，\r\n"
             L"会导致家里的网络无法上传数据。可通过调整系统\r\n"
             L"的MTU绕过这个问题。如果遇到网络问题导致的打分\r\n"
             L"失败，请修正MTU再试。",
             SS_LEFT, GroupBox2.left + 16, GroupBox2.top + 33, 276, 52);
  btnFixMTU = std::make_unique<TButton>(Handle(), idFixMTU, Place(GroupBox2.left + 328, GroupBox2.top + 32, 145, 33),
                                        L"修正MTU并重启", FFont.Get());
  btnResetMTU = std::make_unique<TButton>(
      Handle(), idResetMTU, Place(GroupBox2.left + 328, GroupBox2.top + 80, 145, 33), L"恢复系统默认值", FFont.Get());
}

LRESULT TFormTools::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return TWindow::HandleMessage(message, wParam, lParam);
}

void TFormTools::Inform(const wchar_t* text, UINT type) { MsgBox(Handle(), text, type); }

void TFormTools::btnClearIECacheClick() {
  IECache1.ClearAllEntries();
  Inform(L"清理IE缓存完成", MB_OK);
}

void TFormTools::btnFixMTUClick() {
  if (!SetAllMTU(kLoweredMTU)) {
    Inform(L"您的系统MTU之前已经调整过了。");
    return;
  }
  if (MsgBox(Handle(), L"系统MTU已经调整完毕，请重新启动计算机。现在重启吗？", MB_ICONINFORMATION | MB_YESNO) == IDYES)
    RebootSystem();
  else
    Inform(L"您后续需要手动重启计算机，使新配置生效。");
}

void TFormTools::btnResetMTUClick() {
  if (SetAllMTU(0))
    Inform(L"系统MTU已经恢复到默认值，请重新启动计算机。");
  else
    Inform(L"您的系统MTU已经是默认值了。");
}
