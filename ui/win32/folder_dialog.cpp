#include "ui/win32/folder_dialog.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/win32/system_text.h"

namespace varnok {
namespace {

// Matches no ordinary file name, so that the list shows folders alone. The
// dialog takes it as the filter only when the filter holds it too.
constexpr wchar_t kFoldersOnly[] = L"*..*";
constexpr wchar_t kFoldersOnlyFilter[] = L"*..*\0*..*\0";

// Posted to the hook window once the dialog is up, when the focus can move.
constexpr UINT kFocusFolderList = WM_APP + 1;

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND parent, int id) {
  RECT rect{};
  const HWND child = GetDlgItem(parent, id);
  GetWindowRect(child, &rect);
  MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

}  // namespace

INT_PTR CFolderDialog::DoModal(std::wstring* folder) {
  std::vector<wchar_t> file(MAX_PATH, L'\0');
  wcscpy(file.data(), kFoldersOnly);

  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = kFoldersOnlyFilter;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.Flags = OFN_EXPLORER | OFN_ENABLEHOOK | OFN_HIDEREADONLY;
  dialog.lpfnHook = &CFolderDialog::HookProc;
  dialog.lCustData = reinterpret_cast<LPARAM>(this);

  // The current folder, whatever the system remembers from earlier runs.
  std::wstring current(GetCurrentDirectoryW(0, nullptr), L'\0');
  current.resize(GetCurrentDirectoryW(static_cast<DWORD>(current.size()),
                                      current.data()));
  dialog.lpstrInitialDir = current.c_str();

  selected_ = false;
  GetOpenFileNameW(&dialog);
  if (!selected_) return IDCANCEL;
  *folder = chosen_;
  return IDOK;
}

UINT_PTR CALLBACK CFolderDialog::HookProc(HWND hook, UINT message, WPARAM,
                                          LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    const auto* dialog = reinterpret_cast<const OPENFILENAMEW*>(lParam);
    SetWindowLongPtrW(hook, GWLP_USERDATA, dialog->lCustData);
    return 0;
  }
  auto* picker =
      reinterpret_cast<CFolderDialog*>(GetWindowLongPtrW(hook, GWLP_USERDATA));
  if (picker == nullptr) return 0;
  if (message == WM_NOTIFY &&
      reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE) {
    picker->OnInitDone(GetParent(hook));
    PostMessageW(hook, kFocusFolderList, 0, 0);
  } else if (message == kFocusFolderList) {
    picker->FocusFolderList(GetParent(hook));
  }
  return 0;
}

void CFolderDialog::OnInitDone(HWND dialog) {
  // The file-name field is edt1 on older systems, cmb13 on newer ones.
  for (const int id : {edt1, cmb13, stc3, cmb1, stc2}) {
    SendMessageW(dialog, CDM_HIDECONTROL, static_cast<WPARAM>(id), 0);
  }

  const RECT cancel = ChildRect(dialog, IDCANCEL);
  const RECT ok = ChildRect(dialog, IDOK);
  SetWindowPos(GetDlgItem(dialog, IDOK), nullptr,
               cancel.left - (ok.right - ok.left) - 4, cancel.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  // lst2 is the list on display, lst1 the place whose size later lists take.
  for (const int id : {lst1, lst2}) {
    const HWND list = GetDlgItem(dialog, id);
    if (list == nullptr) continue;
    const RECT rect = ChildRect(dialog, id);
    SetWindowPos(list, nullptr, 0, 0, rect.right - rect.left,
                 cancel.top - 4 - rect.top, SWP_NOMOVE | SWP_NOZORDER);
  }
  SendMessageW(dialog, CDM_SETCONTROLTEXT, IDOK,
               reinterpret_cast<LPARAM>(L"Select"));
  SetWindowTextW(dialog, L"Choose folder");
  SetWindowSubclass(dialog, &CFolderDialog::DialogProc, 0,
                    reinterpret_cast<DWORD_PTR>(this));
}

void CFolderDialog::FocusFolderList(HWND dialog) {
  // The focus would stay in the hidden file-name field.
  const HWND view = GetDlgItem(dialog, lst2);
  HWND list = view ? FindWindowExW(view, nullptr, WC_LISTVIEWW, nullptr)
                   : nullptr;
  if (list == nullptr) list = view;
  if (list != nullptr) {
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
  }
}

bool CFolderDialog::OnSelect(HWND dialog) {
  // Enter in the folder list opens the folder highlighted there.
  const HWND view = GetDlgItem(dialog, lst2);
  const HWND focus = GetFocus();
  if (view != nullptr && (focus == view || IsChild(view, focus))) return false;

  const LRESULT size = SendMessageW(dialog, CDM_GETFOLDERPATH, 0, 0);
  if (size <= 0) return true;  // no folder on display: Select does nothing
  std::wstring folder(static_cast<size_t>(size), L'\0');
  SendMessageW(dialog, CDM_GETFOLDERPATH, static_cast<WPARAM>(size),
               reinterpret_cast<LPARAM>(folder.data()));
  folder.resize(wcsnlen(folder.c_str(), folder.size()));
  // A place of the shell's own, such as "This PC", comes as a name like
  // "::{20D04FE0-...}" that no call of the file system takes.
  PathInfo info;
  std::string reason;
  if (!QueryPath(ToUtf8(folder), &info, &reason) ||
      info.kind != PathKind::kFolder) {
    MessageBeep(MB_OK);
    return true;
  }
  chosen_ = folder;
  selected_ = true;
  EndDialog(dialog, IDOK);
  return true;
}

LRESULT CALLBACK CFolderDialog::DialogProc(HWND dialog, UINT message,
                                           WPARAM wParam, LPARAM lParam,
                                           UINT_PTR, DWORD_PTR picker) {
  if (message == WM_COMMAND && HIWORD(wParam) == 0 &&
      LOWORD(wParam) == IDOK &&
      reinterpret_cast<CFolderDialog*>(picker)->OnSelect(dialog)) {
    return 0;
  }
  if (message == WM_NCDESTROY) {
    RemoveWindowSubclass(dialog, &CFolderDialog::DialogProc, 0);
  }
  return DefSubclassProc(dialog, message, wParam, lParam);
}

}  // namespace varnok
