// WinSFX: a small window that shows where the archive goes (a folder named
// after the program, beside it, until the user picks another), a folder
// browser, 展開 and キャンセル, and the progress of the extraction. The
// extraction runs in the window's own thread and lets the window's
// messages through between pieces of data, so キャンセル still works.

// windows.h (through Stub.h) must come before the other system headers.
#include "sfx/win32/Stub.h"
#include "sfx/win32/WinFiles.h"

#include <commctrl.h>
#include <shlobj.h>

namespace ks::sfx {
namespace {

enum ControlId { kFolderEdit = 101, kBrowse, kExtract, kCancel, kProgress, kStatus };
constexpr int kProgressSteps = 1000;

class StubWindow : public Feedback {
 public:
  StubWindow(ProgramFile& program, const WideText& folder) : program_(program), title_(Title(program)), folder_(folder) {}
  int Run();

  Answer AskReplace(const WideText& path) override { return AskReplaceBox(window_, title_, path); }
  bool Progress(const WideText& path, std::uint64_t done, std::uint64_t total) override;

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
  LRESULT Handle(UINT message, WPARAM w, LPARAM l);
  void Create();
  HWND Control(const wchar_t* kind, const wchar_t* text, DWORD style, int id, int x, int y, int width, int height);
  void Browse();
  void StartExtraction();
  void SetBusy(bool busy);
  void Pump();
  WideText FolderText() const;

  ProgramFile& program_;
  WideText title_;
  WideText folder_;
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  bool busy_ = false;
  bool cancel_ = false;
  bool closeWhenDone_ = false;
  int exitCode_ = 4;  // closed without extracting: cancelled
  int lastStep_ = -1;
};

LRESULT CALLBACK StubWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<StubWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<StubWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  return self ? self->Handle(message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT StubWindow::Handle(UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    // Enter in the window presses 展開: the dialog keyboard handling asks
    // for the default button and sends IDOK when there is none.
    case DM_GETDEFID:
      return MAKELRESULT(kExtract, DC_HASDEFID);
    case WM_COMMAND:
      switch (LOWORD(w)) {
        case kBrowse: Browse(); return 0;
        case IDOK:
        case kExtract: StartExtraction(); return 0;
        case IDCANCEL:
        case kCancel:
          if (busy_) cancel_ = true;
          else DestroyWindow(window_);
          return 0;
      }
      break;
    case WM_CLOSE:
      // Closing while files are written stops the extraction first.
      if (busy_) {
        cancel_ = closeWhenDone_ = true;
      } else {
        DestroyWindow(window_);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcW(window_, message, w, l);
}

HWND StubWindow::Control(const wchar_t* kind, const wchar_t* text, DWORD style, int id, int x, int y, int width,
                         int height) {
  HWND c = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
  return c;
}

void StubWindow::Create() {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  font_ = CreateFontIndirectW(&metrics.lfMessageFont);
  const int unit = metrics.lfMessageFont.lfHeight < 0 ? -metrics.lfMessageFont.lfHeight * 2 : 24;

  WNDCLASSW kind = {};
  kind.lpfnWndProc = Procedure;
  kind.hInstance = GetModuleHandleW(nullptr);
  kind.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  kind.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
  kind.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  kind.lpszClassName = L"KestrinoSelfExtractor";
  RegisterClassW(&kind);

  const int margin = unit / 2, width = unit * 18, button = unit * 4;
  RECT r = {0, 0, width + 2 * margin, unit * 6 + margin};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  AdjustWindowRect(&r, style, FALSE);
  CreateWindowExW(WS_EX_DLGMODALFRAME, kind.lpszClassName, W(title_), style, CW_USEDEFAULT, CW_USEDEFAULT,
                  r.right - r.left, r.bottom - r.top, nullptr, nullptr, kind.hInstance, this);

  Control(L"STATIC", L"展開先のフォルダ(&D):", 0, -1, margin, margin, width, unit);
  HWND edit = Control(L"EDIT", W(folder_), WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kFolderEdit, margin,
                      margin + unit, width - button - margin, unit);
  Control(L"BUTTON", L"参照(&B)...", WS_TABSTOP, kBrowse, margin + width - button, margin + unit, button, unit);
  Control(PROGRESS_CLASSW, L"", 0, kProgress, margin, margin + unit * 5 / 2, width, unit * 2 / 3);
  Control(L"STATIC", L"", SS_PATHELLIPSIS, kStatus, margin, margin + unit * 7 / 2, width, unit);
  Control(L"BUTTON", L"展開(&E)", WS_TABSTOP | BS_DEFPUSHBUTTON, kExtract, margin + width - 2 * button - margin,
          unit * 5, button, unit);
  Control(L"BUTTON", L"キャンセル", WS_TABSTOP, kCancel, margin + width - button, unit * 5, button, unit);
  SendDlgItemMessageW(window_, kProgress, PBM_SETRANGE32, 0, kProgressSteps);
  ShowWindow(window_, SW_SHOWNORMAL);
  SetFocus(edit);
}

WideText StubWindow::FolderText() const {
  HWND edit = GetDlgItem(window_, kFolderEdit);
  WideText text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, 0);
  GetWindowTextW(edit, reinterpret_cast<wchar_t*>(text.data()), static_cast<int>(text.size()));
  return text;
}

void StubWindow::Browse() {
  wchar_t chosen[MAX_PATH] = {};
  BROWSEINFOW info = {};
  info.hwndOwner = window_;
  info.pszDisplayName = chosen;
  info.lpszTitle = L"展開先のフォルダを選んでください。";
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  LPITEMIDLIST item = SHBrowseForFolderW(&info);
  if (!item) return;
  if (SHGetPathFromIDListW(item, chosen)) SetDlgItemTextW(window_, kFolderEdit, chosen);
  CoTaskMemFree(item);
}

void StubWindow::SetBusy(bool busy) {
  busy_ = busy;
  for (int id : {kFolderEdit, kBrowse, kExtract}) EnableWindow(GetDlgItem(window_, id), !busy);
}

void StubWindow::Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(message.wParam));
      cancel_ = true;
      return;
    }
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
}

bool StubWindow::Progress(const WideText& path, std::uint64_t done, std::uint64_t total) {
  const int step = total == 0 ? kProgressSteps : static_cast<int>(done * kProgressSteps / total);
  if (step != lastStep_) {
    lastStep_ = step;
    SendDlgItemMessageW(window_, kProgress, PBM_SETPOS, static_cast<WPARAM>(step), 0);
    SetDlgItemTextW(window_, kStatus, W(path));
    Pump();
  }
  return !cancel_;
}

void StubWindow::StartExtraction() {
  if (busy_) return;
  const WideText folder = FolderText();
  WinFiles files;
  if (folder.size() <= 1 || !files.Open(folder)) {
    MessageBoxW(window_, W(sfx::FolderText(folder)), W(title_), MB_OK | MB_ICONERROR);
    return;
  }
  SetBusy(true);
  cancel_ = false;
  lastStep_ = -1;
  const Report report = Extract(MakeStubArchive, program_, files, *this);
  SetBusy(false);
  exitCode_ = ExitCodeOf(report.outcome);
  if (report.outcome == Outcome::Done) {
    WideText text;
    Append(text, u"展開しました。\n");
    Append(text, files.folder().data());
    MessageBoxW(window_, W(text), W(title_), MB_OK | MB_ICONINFORMATION);
    DestroyWindow(window_);
    return;
  }
  if (closeWhenDone_) {
    DestroyWindow(window_);
    return;
  }
  SetDlgItemTextW(window_, kStatus, L"");
  MessageBoxW(window_, W(OutcomeText(report, files.folder())), W(title_), MB_OK | MB_ICONERROR);
}

int StubWindow::Run() {
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  // The folder browser's newer form needs COM on this thread.
  OleInitialize(nullptr);
  Create();
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window_, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  if (font_) DeleteObject(font_);
  return exitCode_;
}

}  // namespace

int RunWithUi(ProgramFile& program, const WideText& folder) {
  StubWindow window(program, folder);
  return window.Run();
}

}  // namespace ks::sfx
