#include "ui/win32/dialog_prompts.h"

#include <commdlg.h>

#include <vector>

#include "platform/win32/system_text.h"
#include "ui/win32/folder_dialog.h"
#include "ui/win32/window_prompts.h"

namespace varnok {
namespace {

// Room for the longest path the system knows, so that a long one is never
// cut.
constexpr size_t kLongestPath = 32768;

}  // namespace

bool CDialogPrompts::ChooseFolder(std::string* folder) {
  std::wstring chosen;
  if (CFolderDialog(owner_).DoModal(&chosen) != IDOK) return false;
  *folder = ToUtf8(chosen);
  return true;
}

std::optional<std::string> CDialogPrompts::ChooseArchiveName() {
  std::vector<wchar_t> file(kLongestPath, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = L"Kzf file(*.kzf)\0*.kzf\0";
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrDefExt = L"kzf";
  // No overwrite question: an existing archive is replaced.
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
  if (!GetSaveFileNameW(&dialog)) return std::nullopt;
  return ToUtf8(file.data());
}

void CDialogPrompts::ShowMessage(const std::string& text,
                                 const std::string& informative) {
  ShowMessageBox(owner_, text, informative);
}

}  // namespace varnok
