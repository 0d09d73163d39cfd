#include "ui/core/compress_choice.h"

#include <atomic>

namespace varnok {
namespace {

std::atomic<bool> compressChosen{false};

}  // namespace

bool CompressChosen() { return compressChosen.load(); }

void ChooseCompress(bool compress) { compressChosen.store(compress); }

}  // namespace varnok
