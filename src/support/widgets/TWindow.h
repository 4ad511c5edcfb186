#pragma once
// Base of every window the program draws: the object is tied to its HWND at WM_NCCREATE and found
// again from the window's user data, so each message reaches the object's HandleMessage, WM_DESTROY and
// WM_NCDESTROY included. The object owns its HWND.
//
// Controls fire their own events (OnClick, OnChange): a control (ours or a TSystemControl) sends WM_COMMAND to
// its parent, and the parent hands the notification code back to the control whose handle sent it.
//
// Destruction: a concrete window's destructor calls DestroyHandle first, while its overrides still work;
// the window and its child windows go, then the members (fonts, bitmaps, controls) in reverse order of
// their making. The base destructor only catches a window that was never made that far.
#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// The rectangle of a window of that style whose client area is width x height, centred on over when that is
// shown and not minimised, else on the screen.
RECT CentredWindowBounds(int width, int height, DWORD style, DWORD exStyle, HWND over = nullptr);

class TWindow {
 public:
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
  virtual ~TWindow();

  HWND Handle() const { return fHandle; }
  RECT ClientBounds() const;

  // The window object behind a handle made by this class, or nullptr.
  static TWindow* FromHandle(HWND window);

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
  // Shows the window and runs the program's messages until ended() or the window is gone, the owner disabled
  // meanwhile (when it was enabled); a quit message on the way is posted again for the loop outside. The owner
  // comes back before the window hides, so that it, not another program, becomes the active window again.
  void RunModal(const std::function<bool()>& ended);

  // Messages of the window; the default hands commands back to their controls, passes the rest to DefWindowProcW, and
  // makes WM_PRINT also print the child windows (not every system's default does).
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  // The notification code (BN_CLICKED) of a WM_COMMAND this control sent, handed back by the window it sits on.
  virtual void Notified(WORD) {}

 private:
  void PrintChildren(HDC dc, LPARAM flags);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND fHandle = nullptr;
  std::optional<COLORREF> fBackground;
};
