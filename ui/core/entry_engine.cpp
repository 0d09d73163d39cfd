#include "ui/core/entry_runs.h"

#include "archive/archive_extractor.h"

namespace varnok {
namespace {

class CEngineRuns final : public EntryEngine {
 public:
  Status Extract(CArchiveReader& reader, const std::vector<size_t>& entries,
                 const ExtractChoice& choice,
                 CEntryRunMonitor& monitor) override {
    ExtractOptions options;
    options.withoutFolders = choice.withoutFolders;
    options.existing = choice.existing == ExistingAnswer::kKeep
                           ? CExtractFolder::Existing::kKeep
                           : CExtractFolder::Existing::kReplace;
    CArchiveExtractor extractor(reader, options);
    return extractor.Run(choice.folder, entries, monitor);
  }

  void Verify(CArchiveReader& reader, const std::vector<size_t>& entries,
              CEntryRunMonitor& monitor) override {
    VerifyEntries(reader, entries, /*jobs=*/0, monitor);
  }
};

}  // namespace

std::unique_ptr<EntryEngine> MakeEntryEngine() {
  return std::make_unique<CEngineRuns>();
}

}  // namespace varnok
