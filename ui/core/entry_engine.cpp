#include "ui/core/entry_runs.h"

namespace varnok {

std::unique_ptr<EntryEngine> MakeEntryEngine() { return nullptr; }

}  // namespace varnok
