#include "ui/win32/main_dialog.h"

#include <algorithm>

#include "platform/win32/system_text.h"
#include "ui/core/archive_table.h"
#include "ui/win32/archive_window.h"
#include "ui/win32/background_run.h"
#include "ui/win32/dropped_files.h"
#include "ui/win32/resource.h"
#include "ui/win32/window_text.h"

namespace varnok {

CMainDialog::CMainDialog(HINSTANCE instance, Prompts* prompts,
                         WindowPrompts* windowPrompts)
    : instance_(instance),
      windowPrompts_(windowPrompts),
      presenter_(this, prompts) {
  ACCEL open{FCONTROL | FVIRTKEY, 'O', IDM_OPEN};
  keys_ = CreateAcceleratorTableW(&open, 1);
}

CMainDialog::~CMainDialog() {
  if (window_ != nullptr) DestroyWindow(window_);
  DestroyAcceleratorTable(keys_);
}

HWND CMainDialog::Create() {
  CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_MAIN_DIALOG), nullptr,
                     &CMainDialog::DialogProc, reinterpret_cast<LPARAM>(this));
  return window_;
}

bool CMainDialog::TranslateKeys(MSG* message) {
  return TranslateAcceleratorW(window_, keys_, message) ||
         IsDialogMessageW(window_, message);
}

INT_PTR CALLBACK CMainDialog::DialogProc(HWND window, UINT message,
                                         WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, GWLP_USERDATA, lParam);
    auto* dialog = reinterpret_cast<CMainDialog*>(lParam);
    dialog->window_ = window;
    dialog->OnInit();
    return FALSE;  // the focus is set
  }
  auto* dialog =
      reinterpret_cast<CMainDialog*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (dialog == nullptr) return FALSE;
  if (message == WM_NCDESTROY) {
    RemoveTopWindow(window);
    dialog->window_ = nullptr;
    return FALSE;
  }
  return dialog->OnMessage(message, wParam, lParam);
}

void CMainDialog::OnInit() {
  const auto icon = [this](int metric) {
    return reinterpret_cast<LPARAM>(LoadImageW(
        instance_, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
        GetSystemMetrics(metric), GetSystemMetrics(metric), LR_SHARED));
  };
  SendMessageW(window_, WM_SETICON, ICON_BIG, icon(SM_CXICON));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, icon(SM_CXSMICON));
  DragAcceptFiles(window_, TRUE);
  AddTopWindow(window_, this);

  const HWND list = GetDlgItem(window_, IDC_FILE_LIST);
  tooltip_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             CW_USEDEFAULT, window_, nullptr, instance_,
                             nullptr);
  TTTOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = window_;
  tool.uId = reinterpret_cast<UINT_PTR>(list);
  tool.lpszText = LPSTR_TEXTCALLBACKW;
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, 600);
  SetWindowSubclass(list, &CMainDialog::ListProc, 0,
                    reinterpret_cast<DWORD_PTR>(this));

  presenter_.Start();
  SetFocus(GetDlgItem(window_, IDC_PACK));
}

INT_PTR CMainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      return OnCommand(LOWORD(wParam), HIWORD(wParam));
    case WM_CLOSE:
      End();
      return TRUE;
    case WM_DROPFILES:
      OnDrop(reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->hwndFrom == tooltip_ && header->code == TTN_GETDISPINFOW) {
        OnHint(reinterpret_cast<NMTTDISPINFOW*>(lParam));
        return TRUE;
      }
      return FALSE;
    }
    case WM_PAINT:
      return PaintMinimised();
    default:
      return FALSE;
  }
}

bool CMainDialog::OnCommand(int id, int code) {
  if (id == IDM_OPEN) {  // Ctrl+O
    if (!presenter_.busy()) {
      CArchiveWindow::AskAndOpen(instance_, windowPrompts_, window_);
    }
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_PACK:
      presenter_.OnPack();
      return true;
    case IDC_SELECT_FILES:
      presenter_.OnSelectFiles();
      return true;
    case IDC_COMPRESS:
      presenter_.OnCompress();
      return true;
    case IDOK: {
      // Enter: presses the push button with the focus, else ends the dialog.
      const HWND focus = GetFocus();
      for (const int button : {IDC_PACK, IDC_SELECT_FILES}) {
        if (focus == GetDlgItem(window_, button)) {
          return OnCommand(button, BN_CLICKED);
        }
      }
      End();
      return true;
    }
    case IDCANCEL:  // Escape, and the close box
      End();
      return true;
    default:
      return false;
  }
}

void CMainDialog::End() {
  if (presenter_.busy()) return;
  DestroyWindow(window_);
}

void CMainDialog::OnDrop(HDROP drop) {
  const std::vector<std::string> paths = DroppedFiles(drop);
  if (paths.empty() || presenter_.busy()) return;
  // Archives open in windows of their own; the dialog stays as it is.
  bool archives = false;
  for (const std::string& path : paths) {
    if (!TakesForArchive(path)) continue;
    archives = true;
    CArchiveWindow::Open(instance_, path, windowPrompts_, window_);
  }
  if (archives) return;
  // Otherwise the first item dropped, when it is a folder.
  const std::optional<std::wstring> first = SystemPath(paths.front());
  const DWORD attributes = first ? GetFileAttributesW(first->c_str())
                                 : INVALID_FILE_ATTRIBUTES;
  if (attributes == INVALID_FILE_ATTRIBUTES ||
      (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    return;
  }
  presenter_.SelectFolder(paths.front());
}

void CMainDialog::OnHint(NMTTDISPINFOW* hint) {
  const HWND list = GetDlgItem(window_, IDC_FILE_LIST);
  POINT at{};
  GetCursorPos(&at);
  ScreenToClient(list, &at);
  const LRESULT found = SendMessageW(list, LB_ITEMFROMPOINT, 0,
                                     MAKELPARAM(at.x, at.y));
  hintRow_ = HIWORD(found) == 0 ? LOWORD(found) : -1;
  hint_ = hintRow_ < 0 ? std::wstring()
                       : ToWideText(presenter_.StoredNameHint(
                             static_cast<size_t>(hintRow_)));
  hint->lpszText = hint_.data();
}

LRESULT CALLBACK CMainDialog::ListProc(HWND list, UINT message, WPARAM wParam,
                                       LPARAM lParam, UINT_PTR,
                                       DWORD_PTR dialog) {
  if (message == WM_MOUSEMOVE) {
    // Over another row, the hint goes, to come back with that row's name.
    auto* self = reinterpret_cast<CMainDialog*>(dialog);
    const LRESULT found = SendMessageW(list, LB_ITEMFROMPOINT, 0, lParam);
    const int row = HIWORD(found) == 0 ? LOWORD(found) : -1;
    if (row != self->hintRow_) SendMessageW(self->tooltip_, TTM_POP, 0, 0);
  } else if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(list, &CMainDialog::ListProc, 0);
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

bool CMainDialog::PaintMinimised() {
  if (!IsIconic(window_)) return false;
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window_, &paint);
  RECT client;
  GetClientRect(window_, &client);
  const int width = GetSystemMetrics(SM_CXICON);
  const int height = GetSystemMetrics(SM_CYICON);
  const auto icon =
      reinterpret_cast<HICON>(SendMessageW(window_, WM_GETICON, ICON_BIG, 0));
  DrawIcon(dc, (client.right - width + 1) / 2, (client.bottom - height + 1) / 2,
           icon);
  EndPaint(window_, &paint);
  return true;
}

void CMainDialog::ShowRows(const std::vector<std::string>& rows) {
  const HWND list = GetDlgItem(window_, IDC_FILE_LIST);
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(list, LB_RESETCONTENT, 0, 0);
  const HDC dc = GetDC(list);
  const HGDIOBJ font = SelectObject(
      dc, reinterpret_cast<HGDIOBJ>(SendMessageW(list, WM_GETFONT, 0, 0)));
  LONG widest = 0;
  for (size_t row = 0; row < rows.size(); ++row) {
    // Each row at its place in the shared order, not the list box's own.
    const std::wstring text = ToWideText(rows[row]);
    SendMessageW(list, LB_INSERTSTRING, row,
                 reinterpret_cast<LPARAM>(text.c_str()));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()),
                          &size);
    widest = std::max(widest, size.cx);
  }
  SelectObject(dc, font);
  ReleaseDC(list, dc);
  SendMessageW(list, LB_SETHORIZONTALEXTENT,
               static_cast<WPARAM>(widest + GetSystemMetrics(SM_CXEDGE) * 2),
               0);
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list, nullptr, TRUE);
}

std::string CMainDialog::BasePath() const {
  return ToUtf8(WindowText(GetDlgItem(window_, IDC_BASE_PATH)));
}

void CMainDialog::SetBasePath(const std::string& basePath) {
  SetDlgItemTextW(window_, IDC_BASE_PATH, ToWideText(basePath).c_str());
}

bool CMainDialog::CompressChecked() const {
  return IsDlgButtonChecked(window_, IDC_COMPRESS) == BST_CHECKED;
}

void CMainDialog::SetCompressChecked(bool checked) {
  CheckDlgButton(window_, IDC_COMPRESS, checked ? BST_CHECKED : BST_UNCHECKED);
}

Status CMainDialog::RunInBackground(const std::function<void()>& work,
                                    CRunMonitor* monitor) {
  return varnok::RunInBackground(instance_, window_, work, monitor);
}

}  // namespace varnok
