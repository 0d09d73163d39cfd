#include "ui/win32/archive_window.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/win32/system_text.h"
#include "ui/core/compress_choice.h"
#include "ui/core/dialog_messages.h"
#include "ui/core/window_messages.h"
#include "ui/win32/background_run.h"
#include "ui/win32/dropped_files.h"
#include "ui/win32/file_drag.h"
#include "ui/win32/resource.h"
#include "ui/win32/window_prompts.h"
#include "ui/win32/window_text.h"

namespace varnok {
namespace {

namespace texts = window_messages;

constexpr wchar_t kWindowClass[] = L"VarnokArchiveWindow";
// Posted when a name was edited in the list, to rename it once the editing
// has ended.
constexpr UINT WM_APP_RENAME = WM_APP + 1;

// The widest texts of the columns after the name, which set their widths
// (of the hex digits, 'd' is as wide as the widest).
constexpr const char* kWidestTexts[kArchiveColumnCount] = {
    "", "1023.9 MiB", "1023.9 MiB", "100.0%", "deflated", "dddddddd"};

// The window's commands: their menu (0 for none), text, and the key that
// gives them with Ctrl (0 for none).
struct Command {
  int menu;
  int id;
  const char* text;
  char key;
};
constexpr Command kCommands[] = {
    {0, IDM_OPEN, texts::kOpenCommand, 'O'},
    {0, 0, nullptr, 0},  // a separator
    {0, IDM_CLOSE, texts::kCloseCommand, 'W'},
    {1, IDM_COPY_NAMES, texts::kCopyNamesCommand, 'C'},
    {1, IDM_SELECT_ALL, texts::kSelectAllCommand, 'A'},
    {1, 0, nullptr, 0},
    {1, IDM_DELETE, texts::kDeleteCommand, 0},
    {1, IDM_RENAME, texts::kRenameCommand, 0},
    {1, 0, nullptr, 0},
    {1, IDM_COMPRESS_ADDED, texts::kCompressAddedCommand, 0},
    {2, IDM_ARCHIVE_ORDER, texts::kArchiveOrderCommand, 0},
    {3, IDM_EXTRACT_SELECTED, texts::kExtractSelectedCommand, 'E'},
    {3, IDM_EXTRACT_SHOWN, texts::kExtractShownCommand, 0},
    {3, IDM_EXTRACT_ALL, texts::kExtractAllCommand, 0},
    {3, 0, nullptr, 0},
    {3, IDM_WITHOUT_FOLDERS, texts::kWithoutFoldersCommand, 0},
    {3, 0, nullptr, 0},
    {3, IDM_OPEN_ENTRY, texts::kOpenEntryCommand, 0},
    {3, IDM_VERIFY, texts::kVerifyCommand, 'T'},
    {-1, IDM_FIND, nullptr, 'F'},
};
constexpr const char* kMenus[] = {texts::kFileMenu, texts::kEditMenu,
                                  texts::kViewMenu, texts::kExtractMenu};
// The commands that run the engine, off without one.
constexpr int kEngineCommands[] = {IDM_EXTRACT_SELECTED, IDM_EXTRACT_SHOWN,
                                   IDM_EXTRACT_ALL, IDM_OPEN_ENTRY,
                                   IDM_VERIFY};
// The colour of a damaged entry's row.
constexpr COLORREF kDamagedColour = RGB(204, 0, 0);

HMENU MakeMenu() {
  const HMENU bar = CreateMenu();
  for (int menu = 0; menu < static_cast<int>(std::size(kMenus)); ++menu) {
    const HMENU popup = CreatePopupMenu();
    for (const Command& command : kCommands) {
      if (command.menu != menu) continue;
      if (command.text == nullptr) {
        AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
        continue;
      }
      std::wstring text = ToWideText(command.text);
      if (command.key != 0) {
        text += L"\tCtrl+";
        text += static_cast<wchar_t>(command.key);
      }
      AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(command.id),
                  text.c_str());
    }
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(popup),
                ToWideText(kMenus[menu]).c_str());
  }
  return bar;
}

HACCEL MakeKeys() {
  std::vector<ACCEL> keys;
  for (const Command& command : kCommands) {
    if (command.key == 0) continue;
    keys.push_back(ACCEL{FCONTROL | FVIRTKEY, static_cast<WORD>(command.key),
                         static_cast<WORD>(command.id)});
  }
  keys.push_back(ACCEL{FVIRTKEY, VK_DELETE, IDM_DELETE});
  keys.push_back(ACCEL{FVIRTKEY, VK_F2, IDM_RENAME});
  return CreateAcceleratorTableW(keys.data(), static_cast<int>(keys.size()));
}

// The font of message boxes, which the system picks for the user's screen.
HFONT MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  return CreateFontIndirectW(&metrics.lfMessageFont);
}

// The width and height of text in window's font.
SIZE TextSize(HWND window, const std::wstring& text) {
  const HDC dc = GetDC(window);
  const HGDIOBJ old = SelectObject(
      dc, reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size;
}

bool RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW known{};
  known.cbSize = sizeof known;
  if (GetClassInfoExW(instance, kWindowClass, &known)) return true;
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kWindowClass;
  const auto icon = [instance](int metric) {
    return static_cast<HICON>(LoadImageW(
        instance, MAKEINTRESOURCEW(IDI_APP_ICON), IMAGE_ICON,
        GetSystemMetrics(metric), GetSystemMetrics(metric), LR_SHARED));
  };
  windowClass.hIcon = icon(SM_CXICON);
  windowClass.hIconSm = icon(SM_CXSMICON);
  return RegisterClassExW(&windowClass) != 0;
}

}  // namespace

CArchiveWindow* CArchiveWindow::Open(HINSTANCE instance,
                                     const std::string& path,
                                     WindowPrompts* prompts,
                                     HWND messageOwner) {
  auto table = std::make_unique<CArchiveTable>();
  const Status status = table->Open(path);
  if (!status.ok()) {
    const Message message = FailureMessage(status);
    CWin32WindowPrompts own(messageOwner);
    (prompts != nullptr ? prompts : &own)
        ->ShowMessage(message.text, message.informative);
    return nullptr;
  }
  auto* window = new CArchiveWindow(instance, std::move(table), prompts);
  if (!window->Create()) {
    delete window;
    return nullptr;
  }
  return window;
}

CArchiveWindow* CArchiveWindow::AskAndOpen(HINSTANCE instance,
                                           WindowPrompts* prompts,
                                           HWND messageOwner) {
  CWin32WindowPrompts own(messageOwner);
  WindowPrompts* asking = prompts != nullptr ? prompts : &own;
  const std::optional<std::string> path = asking->ChooseArchiveToOpen();
  if (!path) return nullptr;
  return Open(instance, *path, prompts, messageOwner);
}

CArchiveWindow* CArchiveWindow::FromWindow(HWND window) {
  wchar_t name[std::size(kWindowClass) + 1] = {};
  if (GetClassNameW(window, name, static_cast<int>(std::size(name))) == 0 ||
      std::wstring_view(name) != kWindowClass) {
    return nullptr;
  }
  return reinterpret_cast<CArchiveWindow*>(
      GetWindowLongPtrW(window, GWLP_USERDATA));
}

CArchiveWindow::CArchiveWindow(HINSTANCE instance,
                               std::unique_ptr<CArchiveTable> table,
                               WindowPrompts* prompts)
    : instance_(instance),
      table_(std::move(table)),
      prompts_(prompts) {}

CArchiveWindow::~CArchiveWindow() {
  if (keys_ != nullptr) DestroyAcceleratorTable(keys_);
  if (font_ != nullptr) DeleteObject(font_);
}

bool CArchiveWindow::Create() {
  if (!RegisterWindowClass(instance_, &CArchiveWindow::WindowProc)) {
    return false;
  }
  font_ = MessageFont();
  keys_ = MakeKeys();
  // About 130 average characters wide and 36 lines high.
  const TEXTMETRICW metrics = [this] {
    TEXTMETRICW m{};
    const HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font_);
    GetTextMetricsW(dc, &m);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return m;
  }();
  CreateWindowExW(WS_EX_ACCEPTFILES, kWindowClass,
                  ToWideText(table_->Title()).c_str(),
                  WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
                  CW_USEDEFAULT, metrics.tmAveCharWidth * 130,
                  metrics.tmHeight * 36, nullptr, MakeMenu(), instance_, this);
  if (window_ == nullptr) return false;
  ShowWindow(window_, SW_SHOWNORMAL);
  UpdateWindow(window_);
  return true;
}

LRESULT CALLBACK CArchiveWindow::WindowProc(HWND window, UINT message,
                                            WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* self = static_cast<CArchiveWindow*>(
        reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = window;
  }
  auto* self = reinterpret_cast<CArchiveWindow*>(
      GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    RemoveTopWindow(window);
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
    delete self;
    return result;
  }
  return self->OnMessage(message, wParam, lParam);
}

LRESULT CArchiveWindow::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      OnCreate();
      return 0;
    case WM_SIZE:
      Layout();
      return 0;
    case WM_ACTIVATE:
      // The focus goes back to the control that had it.
      if (LOWORD(wParam) == WA_INACTIVE) {
        focus_ = GetFocus();
      } else {
        SetFocus(focus_ != nullptr && IsChild(window_, focus_) ? focus_
                                                               : list_);
      }
      return 0;
    case WM_COMMAND:
      if (reinterpret_cast<HWND>(lParam) == filter_) {
        if (HIWORD(wParam) == EN_CHANGE) OnFilterChanged();
      } else {
        OnCommand(LOWORD(wParam));
      }
      return 0;
    case WM_NOTIFY:
      return OnNotify(reinterpret_cast<NMHDR*>(lParam));
    case WM_NEXTDLGCTL:
      MoveFocus(wParam, lParam);
      return 0;
    case WM_DROPFILES:
      OnDrop(reinterpret_cast<HDROP>(wParam));
      return 0;
    case WM_INITMENUPOPUP:
      CheckOptions();
      return 0;
    case WM_APP_RENAME:
      edits_->Rename(renamedEntry_, renamedText_);
      return 0;
    default:
      return DefWindowProcW(window_, message, wParam, lParam);
  }
}

void CArchiveWindow::OnCreate() {
  ownPrompts_ = std::make_unique<CWin32WindowPrompts>(window_);
  if (prompts_ == nullptr) prompts_ = ownPrompts_.get();
  EntryRunner& runner = *this;
  commands_ = std::make_unique<CEntryCommands>(*table_, *prompts_, runner);
  edits_ = std::make_unique<CArchiveEdits>(*table_, *prompts_, runner);
  AddTopWindow(window_, this);
  // The class's icons as the window's own, which the progress window takes.
  SendMessageW(window_, WM_SETICON, ICON_BIG,
               static_cast<LPARAM>(GetClassLongPtrW(window_, GCLP_HICON)));
  SendMessageW(window_, WM_SETICON, ICON_SMALL,
               static_cast<LPARAM>(GetClassLongPtrW(window_, GCLP_HICONSM)));
  CreateControls();
  SetUpColumns();
  ListView_SetItemCountEx(list_, table_->rowCount(), 0);
  EnableEngineCommands();
  UpdateStatus();
  focus_ = list_;
}

void CArchiveWindow::SetEngine(std::unique_ptr<EntryEngine> engine) {
  commands_->SetEngine(std::move(engine));
  EnableEngineCommands();
}

void CArchiveWindow::EnableEngineCommands() {
  const HMENU menu = GetMenu(window_);
  for (const int id : kEngineCommands) {
    EnableMenuItem(
        menu, static_cast<UINT>(id),
        MF_BYCOMMAND | (commands_->hasEngine() ? MF_ENABLED : MF_GRAYED));
  }
}

void CArchiveWindow::CreateControls() {
  const auto child = [this](DWORD exStyle, const wchar_t* windowClass,
                            const std::wstring& text, DWORD style, int id) {
    const HWND control = CreateWindowExW(
        exStyle, windowClass, text.c_str(), WS_CHILD | WS_VISIBLE | style, 0, 0,
        0, 0, window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        instance_, nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    return control;
  };
  // In tab order: the label leads to the filter (its access key), the
  // filter to the list.
  label_ = child(0, WC_STATICW, ToWideText(texts::kFilterLabel), SS_LEFT, -1);
  filter_ = child(WS_EX_CLIENTEDGE, WC_EDITW, L"", ES_AUTOHSCROLL | WS_TABSTOP,
                  IDC_FILTER);
  SendMessageW(
      filter_, EM_SETCUEBANNER, TRUE,
      reinterpret_cast<LPARAM>(ToWideText(texts::kFilterHint).c_str()));
  list_ = child(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                LVS_REPORT | LVS_OWNERDATA | LVS_SHOWSELALWAYS |
                    LVS_EDITLABELS | WS_TABSTOP,
                IDC_ENTRY_LIST);
  ListView_SetExtendedListViewStyle(
      list_, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_INFOTIP);
  status_ = child(0, STATUSCLASSNAMEW, L"", SBARS_SIZEGRIP, IDC_STATUS);
}

void CArchiveWindow::SetUpColumns() {
  const int margin = TextSize(list_, L"MMM").cx;
  for (int column = 0; column < kArchiveColumnCount; ++column) {
    std::wstring title = ToWideText(texts::kColumnTitles[column]);
    LVCOLUMNW item{};
    item.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH | LVCF_SUBITEM;
    item.fmt = CArchiveTable::AlignsRight(static_cast<ArchiveColumn>(column))
                   ? LVCFMT_RIGHT
                   : LVCFMT_LEFT;
    item.cx = std::max(TextSize(list_, ToWideText(kWidestTexts[column])).cx,
                       TextSize(list_, title).cx) +
              margin;
    item.pszText = title.data();
    item.iSubItem = column;
    ListView_InsertColumn(list_, column, &item);
  }
}

void CArchiveWindow::Layout() {
  RECT client{};
  GetClientRect(window_, &client);
  SendMessageW(status_, WM_SIZE, 0, 0);
  RECT bar{};
  GetWindowRect(status_, &bar);
  const int statusHeight = bar.bottom - bar.top;

  const SIZE label = TextSize(label_, ToWideText(texts::kFilterLabel));
  const int margin = label.cy / 2;
  const int editHeight = label.cy + 2 * GetSystemMetrics(SM_CYEDGE) + 4;
  const int labelWidth = label.cx + margin;
  MoveWindow(label_, margin, margin + (editHeight - label.cy) / 2, labelWidth,
             label.cy, TRUE);
  MoveWindow(filter_, margin + labelWidth, margin,
             std::max(0L, client.right - 2 * margin - labelWidth), editHeight,
             TRUE);
  const int top = 2 * margin + editHeight;
  const int height = std::max(0L, client.bottom - statusHeight - top);
  MoveWindow(list_, 0, top, client.right, height, TRUE);

  // The name takes the room the other columns leave.
  int others = 0;
  for (int column = 1; column < kArchiveColumnCount; ++column) {
    others += ListView_GetColumnWidth(list_, column);
  }
  RECT inside{};
  GetClientRect(list_, &inside);
  ListView_SetColumnWidth(list_, 0,
                          std::max(inside.right - others, 8 * label.cy));
  UpdateStatus();
}

LRESULT CArchiveWindow::OnNotify(NMHDR* header) {
  if (header->hwndFrom != list_) return 0;
  switch (header->code) {
    case LVN_GETDISPINFOW:
      OnDisplayInfo(reinterpret_cast<NMLVDISPINFOW*>(header));
      return 0;
    case LVN_ITEMCHANGED: {
      const auto* change = reinterpret_cast<NMLISTVIEW*>(header);
      if ((change->uChanged & LVIF_STATE) != 0) {
        OnSelectionChange(change->iItem, change->iItem, change->uOldState,
                          change->uNewState);
      }
      return 0;
    }
    case LVN_ODSTATECHANGED: {
      const auto* change = reinterpret_cast<NMLVODSTATECHANGE*>(header);
      OnSelectionChange(change->iFrom, change->iTo, change->uOldState,
                        change->uNewState);
      return 0;
    }
    case NM_CUSTOMDRAW:
      return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
    case LVN_GETINFOTIPW:
      OnInfoTip(reinterpret_cast<NMLVGETINFOTIPW*>(header));
      return 0;
    case LVN_ITEMACTIVATE:
      OpenEntry(reinterpret_cast<NMITEMACTIVATE*>(header)->iItem);
      return 0;
    case LVN_BEGINDRAG:
      DragOut();
      return 0;
    case LVN_ODFINDITEMW:
      return FindRow(*reinterpret_cast<NMLVFINDITEMW*>(header));
    case LVN_BEGINLABELEDITW:
    case LVN_ENDLABELEDITW:
      return OnLabelEdit(reinterpret_cast<NMLVDISPINFOW*>(header));
    case LVN_COLUMNCLICK: {
      const int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
      ChangeKeepingSelection([this, column] {
        table_->SortBy(static_cast<ArchiveColumn>(column));
      });
      return 0;
    }
    default:
      return 0;
  }
}

void CArchiveWindow::OnDisplayInfo(NMLVDISPINFOW* info) const {
  LVITEMW& item = info->item;
  if ((item.mask & LVIF_TEXT) == 0 || item.cchTextMax <= 0) return;
  if (item.iItem < 0 || static_cast<size_t>(item.iItem) >= table_->rowCount() ||
      item.iSubItem < 0 || item.iSubItem >= kArchiveColumnCount) {
    item.pszText[0] = L'\0';
    return;
  }
  const std::wstring text =
      ToWideText(table_->Text(static_cast<size_t>(item.iItem),
                              static_cast<ArchiveColumn>(item.iSubItem)));
  const size_t length =
      std::min(text.size(), static_cast<size_t>(item.cchTextMax - 1));
  text.copy(item.pszText, length);
  item.pszText[length] = L'\0';
}

LRESULT CArchiveWindow::FindRow(const NMLVFINDITEMW& find) const {
  const LVFINDINFOW& info = find.lvfi;
  const size_t rows = table_->rowCount();
  if ((info.flags & (LVFI_STRING | LVFI_PARTIAL)) == 0 || info.psz == nullptr ||
      rows == 0) {
    return -1;
  }
  const int typed = lstrlenW(info.psz);
  const size_t start =
      find.iStart < 0 ? 0 : std::min(static_cast<size_t>(find.iStart), rows);
  const size_t end = (info.flags & LVFI_WRAP) != 0 ? start + rows : rows;
  for (size_t at = start; at < end; ++at) {
    const size_t row = at % rows;
    const std::wstring name =
        ToWideText(table_->Text(row, ArchiveColumn::kName));
    if (name.size() >= static_cast<size_t>(typed) &&
        CompareStringOrdinal(name.c_str(), typed, info.psz, typed, TRUE) ==
            CSTR_EQUAL) {
      return static_cast<LRESULT>(row);
    }
  }
  return -1;
}

void CArchiveWindow::OnSelectionChange(int first, int last, UINT oldState,
                                       UINT newState) {
  if (restoringSelection_ || ((oldState ^ newState) & LVIS_SELECTED) == 0) {
    return;
  }
  const size_t rows = table_->rowCount();
  if (rows == 0) return;
  // -1: every row.
  const size_t from = first < 0 ? 0 : static_cast<size_t>(first);
  const size_t to = last < 0 ? rows - 1 : static_cast<size_t>(last);
  if (from > to || to >= rows) return;
  table_->SelectRows(from, to, (newState & LVIS_SELECTED) != 0);
  UpdateStatus();
}

void CArchiveWindow::ChangeKeepingSelection(
    const std::function<void()>& change) {
  const int current = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
  const std::optional<size_t> currentEntry =
      current >= 0 && static_cast<size_t>(current) < table_->rowCount()
          ? std::optional(table_->EntryAt(static_cast<size_t>(current)))
          : std::nullopt;
  restoringSelection_ = true;
  SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
  if (current >= 0) ListView_SetItemState(list_, current, 0, LVIS_FOCUSED);
  SetRowsSelected(table_->SelectedRows(), false);
  change();
  ListView_SetItemCountEx(list_, table_->rowCount(), LVSICF_NOSCROLL);
  SetRowsSelected(table_->SelectedRows(), true);
  const std::optional<size_t> row =
      currentEntry ? table_->RowOf(*currentEntry) : std::nullopt;
  if (row) {
    const int at = static_cast<int>(*row);
    ListView_SetItemState(list_, at, LVIS_FOCUSED, LVIS_FOCUSED);
    ListView_EnsureVisible(list_, at, FALSE);
  }
  SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(list_, nullptr, TRUE);
  restoringSelection_ = false;
  ShowSortOrder();
  UpdateStatus();
}

void CArchiveWindow::SetRowsSelected(const std::vector<size_t>& rows,
                                     bool selected) {
  // More than half the rows are set as every row at once (then the others
  // back), as the list view takes a row at a time.
  const auto count = static_cast<size_t>(ListView_GetItemCount(list_));
  const UINT state = selected ? LVIS_SELECTED : 0;
  if (rows.size() <= count / 2) {
    for (const size_t row : rows) {
      ListView_SetItemState(list_, static_cast<int>(row), state, LVIS_SELECTED);
    }
    return;
  }
  ListView_SetItemState(list_, -1, state, LVIS_SELECTED);
  if (!selected) return;
  std::vector<bool> listed(count);
  for (const size_t row : rows) listed[row] = true;
  for (size_t row = 0; row < count; ++row) {
    if (!listed[row]) {
      ListView_SetItemState(list_, static_cast<int>(row), 0, LVIS_SELECTED);
    }
  }
}

void CArchiveWindow::OnFilterChanged() {
  const std::string filter = ToUtf8(WindowText(filter_));
  ChangeKeepingSelection([this, &filter] { table_->SetFilter(filter); });
}

void CArchiveWindow::MoveFocus(WPARAM wParam, LPARAM lParam) {
  // As a dialog does, for IsDialogMessage's Tab and access keys: to the
  // control given, or to the next or previous one in tab order.
  const HWND to =
      LOWORD(lParam) != 0
          ? reinterpret_cast<HWND>(wParam)
          : GetNextDlgTabItem(window_, GetFocus(), wParam != 0 ? TRUE : FALSE);
  if (to == filter_) {
    FocusFilter();
  } else if (to != nullptr) {
    SetFocus(to);
  }
}

void CArchiveWindow::FocusFilter() {
  SetFocus(filter_);
  SendMessageW(filter_, EM_SETSEL, 0, -1);
}

void CArchiveWindow::ShowSortOrder() {
  const HWND header = ListView_GetHeader(list_);
  const SortOrder& order = table_->sortOrder();
  for (int column = 0; column < kArchiveColumnCount; ++column) {
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    Header_GetItem(header, column, &item);
    item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
    if (order.column && static_cast<int>(*order.column) == column) {
      item.fmt |= order.descending ? HDF_SORTDOWN : HDF_SORTUP;
    }
    Header_SetItem(header, column, &item);
  }
}

void CArchiveWindow::UpdateStatus() {
  const std::wstring shown = ToWideText(table_->ShownText());
  const std::wstring selected =
      ToWideText(table_->SelectionText(table_->SelectedRows()));
  RECT client{};
  GetClientRect(status_, &client);
  // The selection on the right, as wide as its text and the size grip.
  const int right = selected.empty() ? 0
                                     : TextSize(status_, selected).cx +
                                           3 * GetSystemMetrics(SM_CXVSCROLL);
  const int parts[] = {std::max(0, static_cast<int>(client.right) - right), -1};
  SendMessageW(status_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  SendMessageW(status_, SB_SETTEXTW, 0,
               reinterpret_cast<LPARAM>(shown.c_str()));
  SendMessageW(status_, SB_SETTEXTW, 1,
               reinterpret_cast<LPARAM>(selected.c_str()));
}

void CArchiveWindow::CopyNames() {
  const std::vector<size_t> rows = table_->SelectedRows();
  if (rows.empty() || !OpenClipboard(window_)) return;
  // One name a line, with the line ends Windows' programs expect.
  std::wstring text;
  for (const wchar_t c : ToWideText(table_->NamesText(rows))) {
    if (c == L'\n') text += L'\r';
    text += c;
  }
  const size_t bytes = (text.size() + 1) * sizeof(wchar_t);
  const HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (memory != nullptr) {
    std::copy_n(text.c_str(), text.size() + 1,
                static_cast<wchar_t*>(GlobalLock(memory)));
    GlobalUnlock(memory);
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) GlobalFree(memory);
  }
  CloseClipboard();
}

void CArchiveWindow::OnCommand(int id) {
  switch (id) {
    case IDM_OPEN:
      AskAndOpen(instance_, givenPrompts(), window_);
      break;
    case IDM_CLOSE:
      DestroyWindow(window_);
      break;
    case IDM_COPY_NAMES:
      CopyNames();
      break;
    case IDM_SELECT_ALL:
      ListView_SetItemState(list_, -1, LVIS_SELECTED, LVIS_SELECTED);
      break;
    case IDM_ARCHIVE_ORDER:
      ChangeKeepingSelection([this] { table_->RestoreArchiveOrder(); });
      break;
    case IDM_FIND:
      FocusFilter();
      break;
    case IDM_EXTRACT_SELECTED:
    case IDM_EXTRACT_SHOWN:
    case IDM_EXTRACT_ALL:
      commands_->Extract(id == IDM_EXTRACT_SELECTED ? EntryScope::kSelected
                         : id == IDM_EXTRACT_SHOWN  ? EntryScope::kShown
                                                    : EntryScope::kAll,
                         withoutFolders_);
      break;
    case IDM_WITHOUT_FOLDERS:
      withoutFolders_ = !withoutFolders_;
      break;
    case IDM_COMPRESS_ADDED:
      ChooseCompress(!CompressChosen());
      break;
    case IDM_VERIFY:
      commands_->Verify();
      break;
    case IDM_OPEN_ENTRY:
      OpenEntry(ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
      break;
    case IDM_DELETE:
      edits_->DeleteSelected();
      break;
    case IDM_RENAME: {
      const int row = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
      if (row >= 0) {
        SetFocus(list_);
        ListView_EditLabel(list_, row);
      }
      break;
    }
    case IDOK:  // Enter, which the list itself does not get
      if (GetFocus() == list_) {
        OpenEntry(ListView_GetNextItem(list_, -1, LVNI_FOCUSED));
      }
      break;
    default:
      break;
  }
}

void CArchiveWindow::CheckOptions() const {
  const HMENU menu = GetMenu(window_);
  const auto check = [menu](UINT id, bool checked) {
    CheckMenuItem(menu, id,
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
  };
  check(IDM_WITHOUT_FOLDERS, withoutFolders_);
  check(IDM_COMPRESS_ADDED, CompressChosen());
}

bool CArchiveWindow::TranslateKeys(MSG* message) {
  // A name being edited in the list takes every key.
  if (ListView_GetEditControl(list_) != nullptr) return false;
  // In the filter, Ctrl+C, Ctrl+A and Delete keep their meaning for its
  // text.
  const bool keyDown = GetFocus() == filter_ && message->message == WM_KEYDOWN;
  const bool editKey =
      keyDown && (message->wParam == VK_DELETE ||
                  ((message->wParam == 'C' || message->wParam == 'A') &&
                   GetKeyState(VK_CONTROL) < 0));
  if (!editKey && TranslateAcceleratorW(window_, keys_, message)) return true;
  return IsDialogMessageW(window_, message) != FALSE;
}

void CArchiveWindow::OnDrop(HDROP drop) {
  const std::vector<std::string> paths = DroppedFiles(drop);
  if (paths.empty()) return;
  if (UseOfDrop(paths) == DropUse::kAdd) {
    edits_->Add(paths);
    return;
  }
  for (const std::string& path : paths) {
    Open(instance_, path, givenPrompts(), window_);
  }
}

LRESULT CArchiveWindow::OnLabelEdit(NMLVDISPINFOW* info) {
  const LVITEMW& item = info->item;
  if (info->hdr.code == LVN_BEGINLABELEDITW || item.pszText == nullptr ||
      item.iItem < 0 || static_cast<size_t>(item.iItem) >= table_->rowCount()) {
    return FALSE;  // editing allowed; an edit given up changes nothing
  }
  renamedEntry_ = table_->EntryAt(static_cast<size_t>(item.iItem));
  renamedText_ = ToUtf8(item.pszText);
  PostMessageW(window_, WM_APP_RENAME, 0, 0);
  return FALSE;  // the list shows the table's names, whatever they become
}

LRESULT CArchiveWindow::OnCustomDraw(NMLVCUSTOMDRAW* draw) const {
  if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  const size_t row = draw->nmcd.dwItemSpec;
  if (row < table_->rowCount() && !table_->DamageOf(row).empty()) {
    draw->clrText = kDamagedColour;
  }
  return CDRF_DODEFAULT;
}

void CArchiveWindow::OnInfoTip(NMLVGETINFOTIPW* tip) const {
  if (tip->iItem < 0 || static_cast<size_t>(tip->iItem) >= table_->rowCount() ||
      tip->cchTextMax <= 0) {
    return;
  }
  const std::string damage = table_->DamageOf(static_cast<size_t>(tip->iItem));
  if (damage.empty()) return;  // the list's own hint: the cut text
  const std::wstring text = ToWideText(damage);
  const size_t length =
      std::min(text.size(), static_cast<size_t>(tip->cchTextMax - 1));
  text.copy(tip->pszText, length);
  tip->pszText[length] = L'\0';
}

Status CArchiveWindow::RunInBackground(CRunMonitor& monitor,
                                       const std::function<void()>& run) {
  return varnok::RunInBackground(instance_, window_, run, &monitor);
}

void CArchiveWindow::ChangeTable(const std::function<void()>& change) {
  ChangeKeepingSelection(change);
}

void CArchiveWindow::OpenEntry(int row) {
  if (row < 0 || static_cast<size_t>(row) >= table_->rowCount()) return;
  const std::vector<std::string> copies =
      commands_->MakeCopies({table_->EntryAt(static_cast<size_t>(row))});
  if (copies.empty()) return;
  const std::optional<std::wstring> path = SystemPath(copies.front());
  if (path) {
    ShellExecuteW(window_, L"open", path->c_str(), nullptr, nullptr,
                  SW_SHOWNORMAL);
  }
}

void CArchiveWindow::DragOut() {
  const std::vector<size_t> entries = EntriesIn(*table_, EntryScope::kSelected);
  const std::vector<std::string> copies = commands_->MakeCopies(entries);
  if (!copies.empty()) DragFilesOut(copies);
}

}  // namespace varnok
