#pragma once
// Base of every window the program draws: the object is tied to its HWND at WM_NCCREATE and found
// again from the window's user data, so each message reaches the object's HandleMessage. The object
// owns its HWND: destroying the object destroys the window.
#include <windows.h>

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

 protected:
  TWindow() = default;

  // Registers the window class on first use and creates the window. Raises std::runtime_error on failure.
  void CreateHandle(const wchar_t* className, const std::wstring& title, DWORD style, DWORD exStyle, const RECT& bounds,
                    HWND parent, UINT_PTR controlId = 0, UINT classStyle = CS_DBLCLKS, HCURSOR cursor = nullptr);

  // Messages of the window; the default passes them to DefWindowProcW, except that WM_PRINT also prints
  // the child windows (not every system's default does).
  virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

 private:
  void PrintChildren(HDC dc, LPARAM flags);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  HWND fHandle = nullptr;
};
