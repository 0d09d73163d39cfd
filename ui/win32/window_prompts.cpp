#include "ui/win32/window_prompts.h"

#include <commctrl.h>
#include <commdlg.h>

#include <string_view>
#include <vector>

#include "platform/win32/system_text.h"
#include "ui/core/window_messages.h"
#include "ui/win32/folder_dialog.h"
#include "ui/win32/window_text.h"

namespace varnok {
namespace {

// Room for the longest path the system knows, so that a long one is never
// cut.
constexpr size_t kLongestPath = 32768;

}  // namespace

void ShowMessageBox(HWND owner, const std::string& text,
                    const std::string& informative) {
  std::wstring shown = ToWideText(text);
  if (!informative.empty()) shown += L"\n\n" + ToWideText(informative);
  MessageBoxW(owner, shown.c_str(), ProgramName().c_str(), MB_OK);
}

std::wstring OpenDialogFilter(const std::string& filter) {
  std::wstring result;
  std::string_view rest = filter;
  while (!rest.empty()) {
    const size_t end = rest.find(";;");
    const std::string_view label = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view()
                                         : rest.substr(end + 2);
    const size_t open = label.rfind('(');
    const size_t close = label.rfind(')');
    std::string patterns(open != std::string_view::npos && close > open
                             ? label.substr(open + 1, close - open - 1)
                             : std::string_view("*"));
    for (char& c : patterns) c = c == ' ' ? ';' : c;
    result += ToWideText(label) + L'\0' + ToWideText(patterns) + L'\0';
  }
  return result + L'\0';
}

std::optional<std::string> CWin32WindowPrompts::ChooseArchiveToOpen() {
  std::vector<wchar_t> file(kLongestPath, L'\0');
  const std::wstring filter = OpenDialogFilter(window_messages::kOpenFilter);
  const std::wstring title = ToWideText(window_messages::kOpenTitle);
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filter.c_str();
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrTitle = title.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) return std::nullopt;
  return ToUtf8(file.data());
}

bool CWin32WindowPrompts::ChooseFolder(std::string* folder) {
  std::wstring chosen;
  if (CFolderDialog(owner_).DoModal(&chosen) != IDOK) return false;
  *folder = ToUtf8(chosen);
  return true;
}

namespace {

// Asks question in a task dialog owned by owner, with one button for each
// of labels (their ids in ids) and defaultId as the default; Escape and the
// close box answer IDCANCEL, as does a dialog that can't be shown.
int AskTaskDialog(HWND owner, const Message& question,
                  const std::vector<const char*>& labels,
                  const std::vector<int>& ids, int defaultId) {
  const std::wstring title = ProgramName();
  const std::wstring text = ToWideText(question.text);
  const std::wstring informative = ToWideText(question.informative);
  std::vector<std::wstring> wideLabels;
  for (const char* label : labels) wideLabels.push_back(ToWideText(label));
  std::vector<TASKDIALOG_BUTTON> buttons;
  for (size_t i = 0; i < ids.size(); ++i) {
    buttons.push_back({ids[i], wideLabels[i].c_str()});
  }
  TASKDIALOGCONFIG config{};
  config.cbSize = sizeof config;
  config.hwndParent = owner;
  config.dwFlags =
      TDF_ALLOW_DIALOG_CANCELLATION | TDF_POSITION_RELATIVE_TO_WINDOW;
  config.pszWindowTitle = title.c_str();
  config.pszMainInstruction = text.c_str();
  config.pszContent = informative.c_str();
  config.cButtons = static_cast<UINT>(buttons.size());
  config.pButtons = buttons.data();
  config.nDefaultButton = defaultId;
  int pressed = IDCANCEL;
  if (FAILED(TaskDialogIndirect(&config, &pressed, nullptr, nullptr))) {
    return IDCANCEL;
  }
  return pressed;
}

}  // namespace

ExistingAnswer CWin32WindowPrompts::AskExisting(const Message& question) {
  const int pressed = AskTaskDialog(
      owner_, question,
      {window_messages::kReplaceButton, window_messages::kKeepButton,
       window_messages::kCancelButton},
      {IDYES, IDNO, IDCANCEL}, IDCANCEL);
  return pressed == IDYES  ? ExistingAnswer::kReplace
         : pressed == IDNO ? ExistingAnswer::kKeep
                           : ExistingAnswer::kCancel;
}

bool CWin32WindowPrompts::Confirm(const Message& question,
                                  const char* action) {
  return AskTaskDialog(owner_, question,
                       {action, window_messages::kCancelButton},
                       {IDOK, IDCANCEL}, IDOK) == IDOK;
}

void CWin32WindowPrompts::ShowMessage(const std::string& text,
                                      const std::string& informative) {
  ShowMessageBox(owner_, text, informative);
}

}  // namespace varnok
