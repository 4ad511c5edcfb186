#pragma once
// Base of every window the program draws: the object is tied to its HWND at WM_NCCREATE and found
// again from the window's user data, so each message reaches the object's HandleMessage, WM_DESTROY and
// WM_NCDESTROY included. The object owns its HWND.
//
// Commands reach the window object as handlers: a control (ours or the system's) sends WM_COMMAND with its
// identifier to its parent, and the window runs the handler registered for that identifier with OnCommand.
// Containers pass their children's commands on to their own parent.
//
// Destruction: a concrete window's destructor calls DestroyHandle first, while its overrides still work;
// the window and its child windows go, then the members (fonts, bitmaps, controls) in reverse order of
// their making. The base destructor only catches a window that was never made that far.
#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>

class TWindow {
 public:
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  virtual ~TWindow();

  HWND Handle() const { return fHandle; }
  RECT ClientBounds() const {
    RECT bounds = {};
    GetClientRect(fHandle, &bounds);
    return bounds;
  }

  // The window object behind a handle made by this class, or nullptr.
  static TWindow* FromHandle(HWND window);

  // The handler of the command of the given control identifier (BN_CLICKED and its like); replaces one before.
  void OnCommand(UINT_PTR controlId, std::function<void()> handler);

 protected:
  TWindow() = default;

  // Registers the window class on first use and creates the window. Raises std::runtime_error on failure.
  void CreateHandle(const wchar_t* className, const std::wstring& title, DWORD style, DWORD exStyle, const RECT& bounds,
                    HWND parent, UINT_PTR controlId = 0, UINT classStyle = CS_DBLCLKS, HCURSOR cursor = nullptr);
  // The colour the window's background is erased with; without one the system's default erase runs. Set it
  // before CreateHandle, so that the first erase already has it.
  void SetBackgroundColour(COLORREF colour) { fBackground = colour; }
  // Destroys the window, and with it its child windows; the object gets WM_DESTROY and WM_NCDESTROY.
  void DestroyHandle();

  // Messages of the window; the default runs command handlers, passes the rest to DefWindowProcW, and makes
  // WM_PRINT also print the child windows (not every system's default does).
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The notification code (BN_CLICKED) of a WM_COMMAND this control sent, handed back by the window it sits on.
  virtual void Notified(WORD) {}

 private:
  void PrintChildren(HDC dc, LPARAM flags);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND fHandle = nullptr;
  std::map<UINT_PTR, std::function<void()>> fCommands;
  std::optional<COLORREF> fBackground;
};
