// The popups' shared window: controls made in code, keyboard handling by
// the dialog manager (Tab order, default button, mnemonics, Esc).
#include "popup_window.h"

namespace {

constexpr wchar_t WINDOW_CLASS[] = L"KoruPopup";
constexpr int FIRST_BUTTON_ID = 100;
constexpr UINT_PTR AUTO_CLOSE_TIMER = 1;

// The layout at 96 dpi.
constexpr int MARGIN = 16;
constexpr int HEADING_TOP = 16;
constexpr int HEADING_HEIGHT = 22;
constexpr int MESSAGE_TOP = 46;
constexpr int MESSAGE_HEIGHT = 48;
constexpr int BUTTON_TOP = 106;
constexpr int BUTTON_HEIGHT = 28;
constexpr int BUTTON_GAP = 8;
constexpr int CLIENT_HEIGHT = BUTTON_TOP + BUTTON_HEIGHT + MARGIN;

constexpr DWORD WINDOW_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;
constexpr DWORD WINDOW_EX_STYLE = WS_EX_TOPMOST | WS_EX_DLGMODALFRAME | WS_EX_APPWINDOW;

// A program shows one window, so its state is the program's.
struct WindowState {
  const PopupWindow* popup = nullptr;
  HFONT messageFont = nullptr;
  HFONT headingFont = nullptr;
  int dpi = 96;
  int exitCode = 0;
  bool finished = false;
};

WindowState state;

int Scaled(int pixels) { return MulDiv(pixels, state.dpi, 96); }

int SystemDpi() {
  HDC screen = GetDC(nullptr);
  int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen != nullptr) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : 96;
}

// The font the system uses for message boxes; the stock GUI font when it
// cannot be read.
void CreateFonts() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof metrics.lfMessageFont,
               &metrics.lfMessageFont);
  }
  state.messageFont = CreateFontIndirectW(&metrics.lfMessageFont);
  LOGFONTW heading = metrics.lfMessageFont;
  heading.lfWeight = FW_BOLD;
  heading.lfHeight = MulDiv(heading.lfHeight, 5, 4);
  state.headingFont = CreateFontIndirectW(&heading);
}

void DeleteFonts() {
  if (state.headingFont != nullptr) DeleteObject(state.headingFont);
  if (state.messageFont != nullptr) DeleteObject(state.messageFont);
}

HWND AddControl(HWND window, const wchar_t* controlClass, const wchar_t* text, DWORD style,
                RECT place, int id, HFONT font) {
  HWND control = CreateWindowExW(
      0, controlClass, text, WS_CHILD | WS_VISIBLE | style, Scaled(place.left), Scaled(place.top),
      Scaled(place.right - place.left), Scaled(place.bottom - place.top), window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

// The buttons stand right-aligned in one row, in Tab order from the left.
RECT ButtonPlace(int index) {
  const PopupWindow& popup = *state.popup;
  int fromRight = popup.buttonCount - index;
  int left =
      popup.clientWidth - MARGIN - fromRight * popup.buttonWidth - (fromRight - 1) * BUTTON_GAP;
  return RECT{left, BUTTON_TOP, left + popup.buttonWidth, BUTTON_TOP + BUTTON_HEIGHT};
}

void AddControls(HWND window) {
  const PopupWindow& popup = *state.popup;
  int textRight = popup.clientWidth - MARGIN;
  AddControl(window, L"STATIC", popup.heading, SS_LEFT | SS_NOPREFIX,
             RECT{MARGIN, HEADING_TOP, textRight, HEADING_TOP + HEADING_HEIGHT}, -1,
             state.headingFont);
  AddControl(window, L"STATIC", popup.message, SS_LEFT | SS_NOPREFIX,
             RECT{MARGIN, MESSAGE_TOP, textRight, MESSAGE_TOP + MESSAGE_HEIGHT}, -1,
             state.messageFont);
  for (int i = 0; i < popup.buttonCount; ++i) {
    DWORD style = WS_TABSTOP | (i == 0 ? WS_GROUP | BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
    AddControl(window, L"BUTTON", popup.buttons[i].text, style, ButtonPlace(i), FIRST_BUTTON_ID + i,
               state.messageFont);
  }
}

void Finish(HWND window, int exitCode) {
  if (state.finished) return;
  state.finished = true;
  state.exitCode = exitCode;
  DestroyWindow(window);
}

// Enter without a focused button arrives as IDOK, Esc as IDCANCEL.
void OnCommand(HWND window, int id) {
  const PopupWindow& popup = *state.popup;
  int index = id == IDOK ? 0 : id - FIRST_BUTTON_ID;
  if (id == IDCANCEL) {
    Finish(window, popup.closeExitCode);
  } else if (index >= 0 && index < popup.buttonCount) {
    Finish(window, popup.buttons[index].exitCode);
  }
}

// DefDlgProcW, not DefWindowProcW: the window is a dialog of its own class,
// so the default button follows the focus as in any dialog box.
LRESULT CALLBACK PopupProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(window, LOWORD(wParam));
      return 0;
    case WM_CLOSE:
    case WM_TIMER:
      Finish(window, state.popup->closeExitCode);
      return 0;
    case WM_LBUTTONDOWN:
      // A notice goes at a click anywhere on it.
      if (state.popup->autoCloseMs != 0) Finish(window, state.popup->closeExitCode);
      break;
    case WM_DESTROY:
      PostQuitMessage(state.exitCode);
      return 0;
    default:
      break;
  }
  return DefDlgProcW(window, message, wParam, lParam);
}

bool RegisterPopupClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = PopupProc;
  windowClass.cbWndExtra = DLGWINDOWEXTRA;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  windowClass.lpszClassName = WINDOW_CLASS;
  return RegisterClassExW(&windowClass) != 0;
}

// Centred on the work area of the primary monitor.
HWND CreatePopupWindow(HINSTANCE instance) {
  RECT frame = {0, 0, Scaled(state.popup->clientWidth), Scaled(CLIENT_HEIGHT)};
  AdjustWindowRectEx(&frame, WINDOW_STYLE, FALSE, WINDOW_EX_STYLE);
  RECT work = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  int left = work.left + (work.right - work.left - width) / 2;
  int top = work.top + (work.bottom - work.top - height) / 2;
  return CreateWindowExW(WINDOW_EX_STYLE, WINDOW_CLASS, state.popup->title, WINDOW_STYLE, left, top,
                         width, height, nullptr, nullptr, instance, nullptr);
}

// The service starts the popups with SW_HIDE, which Windows applies to a
// program's first ShowWindow call: that call takes it, the second shows.
void ShowInFront(HWND window, int showCommand) {
  ShowWindow(window, showCommand);
  ShowWindow(window, SW_SHOWNORMAL);
  SetForegroundWindow(window);
  HWND defaultButton = GetDlgItem(window, FIRST_BUTTON_ID);
  SendMessageW(window, DM_SETDEFID, FIRST_BUTTON_ID, 0);
  SetFocus(defaultButton);
}

int RunMessageLoop(HWND window) {
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(window, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return state.exitCode;
}

}  // namespace

int RunPopupWindow(HINSTANCE instance, int showCommand, const PopupWindow& popup) {
  state.popup = &popup;
  state.exitCode = popup.closeExitCode;
  SetProcessDPIAware();
  state.dpi = SystemDpi();
  CreateFonts();
  HWND window = RegisterPopupClass(instance) ? CreatePopupWindow(instance) : nullptr;
  if (window == nullptr) {
    DeleteFonts();
    return popup.closeExitCode;
  }
  AddControls(window);
  if (popup.autoCloseMs != 0) SetTimer(window, AUTO_CLOSE_TIMER, popup.autoCloseMs, nullptr);
  ShowInFront(window, showCommand);
  int exitCode = RunMessageLoop(window);
  DeleteFonts();
  return exitCode;
}
