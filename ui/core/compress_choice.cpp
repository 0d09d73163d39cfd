#include "ui/core/compress_choice.h"

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

namespace varnok {
namespace {

std::atomic<bool> compressChosen{false};

// The calls of the watches alive, in the order they were made.
std::vector<const std::function<void(bool)>*>& Watches() {
  static std::vector<const std::function<void(bool)>*> watches;
  return watches;
}

}  // namespace

bool CompressChosen() { return compressChosen.load(); }

void ChooseCompress(bool compress) {
  if (compressChosen.exchange(compress) == compress) return;
  // A copy, as a call may make a watch.
  const std::vector<const std::function<void(bool)>*> watches = Watches();
  for (const std::function<void(bool)>* changed : watches) (*changed)(compress);
}

CCompressWatch::CCompressWatch(std::function<void(bool compress)> changed)
    : changed_(std::move(changed)) {
  Watches().push_back(&changed_);
}

CCompressWatch::~CCompressWatch() {
  std::vector<const std::function<void(bool)>*>& watches = Watches();
  watches.erase(std::find(watches.begin(), watches.end(), &changed_));
}

}  // namespace varnok
