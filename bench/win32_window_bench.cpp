// Measures the Windows archive window on an archive of the format's most
// entries, 65,535 (under wine on a virtual display will do):
//
//   win32_window_bench.exe [ARCHIVE]
//
// writes ARCHIVE (by default window_bench.kzf in the current folder) when
// it does not exist yet, then times, median of five runs each, as
// window_bench does for the Qt window: opening it (reading and checking,
// then the window shown and its list painted), the filter as a user types
// "**/level_12/*.txt" a character at a time (filtering, then the list
// painted again), and a click on the Name and Size headers, each step with
// its repaint.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/window_bench_steps.h"
#include "platform/win32/system_text.h"
#include "ui/win32/archive_window.h"

namespace {

using varnok::CArchiveWindow;

// Paints what is waiting to be painted in window and its children.
void Paint(const CArchiveWindow* window) {
  RedrawWindow(window->window(), nullptr, nullptr,
               RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// A click on column's header, as the list view reports it.
void ClickHeader(const CArchiveWindow* window, int column) {
  NMLISTVIEW click{};
  click.hdr.hwndFrom = window->list();
  click.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window->list()));
  click.hdr.code = LVN_COLUMNCLICK;
  click.iItem = -1;
  click.iSubItem = column;
  SendMessageW(window->window(), WM_NOTIFY, click.hdr.idFrom,
               reinterpret_cast<LPARAM>(&click));
}

}  // namespace

int main(int argc, char** argv) {
  using varnok::bench::MedianMs;
  const std::string archive = argc > 1 ? argv[1] : "window_bench.kzf";
  if (!std::filesystem::exists(archive) &&
      !varnok::bench::MakeArchive(archive)) {
    return 1;
  }
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES |
                                                     ICC_BAR_CLASSES};
  InitCommonControlsEx(&controls);
  const HINSTANCE instance = GetModuleHandleW(nullptr);

  CArchiveWindow* window = nullptr;
  const double open = MedianMs([&] {
    if (window != nullptr) DestroyWindow(window->window());
    window = CArchiveWindow::Open(instance, archive);
    if (window != nullptr) Paint(window);
  });
  if (window == nullptr) return 1;
  std::printf("entries: %zu\n", window->table().entries().size());
  std::printf("open and show: %.1f ms\n", open);

  const std::string typed = "**/level_12/*.txt";
  std::vector<double> keys;
  for (size_t length = 1; length <= typed.size(); ++length) {
    const std::wstring text = varnok::ToWideText(typed.substr(0, length));
    keys.push_back(MedianMs([&] {
      SetWindowTextW(window->filterEdit(), L"");
      SetWindowTextW(window->filterEdit(), text.c_str());
      Paint(window);
    }));
  }
  std::printf("filter, per key typed: median %.1f ms, worst %.1f ms (%zu rows"
              " left)\n",
              keys[keys.size() / 2], *std::max_element(keys.begin(), keys.end()),
              window->table().rowCount());
  SetWindowTextW(window->filterEdit(), L"");
  for (const int column : {0, 1}) {
    const double sort = MedianMs([&] {
      ClickHeader(window, column);
      Paint(window);
    });
    std::printf("sort by %s, click: %.1f ms\n", column == 0 ? "name" : "size",
                sort);
  }
  DestroyWindow(window->window());
  return 0;
}
