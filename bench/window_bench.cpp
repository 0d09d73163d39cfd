// Measures the archive window on an archive of the format's most entries,
// 65,535, under any Qt platform (offscreen will do):
//
//   window_bench [ARCHIVE]
//
// writes ARCHIVE (by default window_bench.kzf in the current folder) when
// it does not exist yet, then times, median of five runs each: opening it
// (reading and checking, then the window shown and painted), the filter
// as a user types "**/level_12/*.txt" a character at a time (filtering, then
// the rows painted again), and sorting by name and by size, each step with
// its repaint.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QTableView>

#include "bench/window_bench_steps.h"
#include "ui/qt/archive_window.h"

using varnok::bench::MakeArchive;
using varnok::bench::MedianMs;

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  const std::string archive = argc > 1 ? argv[1] : "window_bench.kzf";
  if (!std::filesystem::exists(archive) && !MakeArchive(archive)) return 1;

  varnok::CArchiveWindow* window = nullptr;
  const double open = MedianMs([&] {
    if (window != nullptr) delete window;
    window = varnok::CArchiveWindow::Open(archive);
    if (window != nullptr) window->tableView()->viewport()->repaint();
  });
  if (window == nullptr) return 1;
  std::printf("entries: %zu\n", window->table().entries().size());
  std::printf("open and show: %.1f ms\n", open);

  const std::string typed = "**/level_12/*.txt";
  std::vector<double> keys;
  for (size_t length = 1; length <= typed.size(); ++length) {
    const QString text = QString::fromStdString(typed.substr(0, length));
    keys.push_back(MedianMs([&] {
      window->filterEdit()->clear();
      window->filterEdit()->setText(text);
      window->tableView()->viewport()->repaint();
    }));
  }
  std::printf("filter, per key typed: median %.1f ms, worst %.1f ms (%zu rows"
              " left)\n",
              keys[keys.size() / 2], *std::max_element(keys.begin(), keys.end()),
              window->table().rowCount());
  window->filterEdit()->clear();
  for (int column : {0, 1}) {
    const double sort = MedianMs([&] {
      emit window->tableView()->horizontalHeader()->sectionClicked(column);
      window->tableView()->viewport()->repaint();
    });
    std::printf("sort by %s, click: %.1f ms\n", column == 0 ? "name" : "size",
                sort);
  }
  delete window;
  return 0;
}
