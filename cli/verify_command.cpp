#include "cli/verify_command.h"

#include <numeric>
#include <string>
#include <vector>

#include "archive/archive_extractor.h"
#include "archive/archive_reader.h"
#include "base/sizes.h"
#include "cli/standard_output.h"

namespace varnok {

VerifyCommand::VerifyCommand(CLI::App& app)
    : Command(app, "verify",
              "Check an archive's layout and every entry's CRC and data") {
  AddArchiveToRead(&archive_);
  AddJobs(&jobs_, "check entries");
}

int VerifyCommand::Run() {
  CArchiveReader reader;
  if (!OpenArchive(archive_, &reader)) return kExitFailure;
  // Every entry is checked, whatever the ones before it hold; each damaged
  // one is named in entry order.
  class Teller : public EntryObserver {
   public:
    void EntryDone(size_t, const Status& status) override {
      if (status.ok()) return;
      PrintError(status);
      ++damaged;
    }
    size_t damaged = 0;
  } teller;
  const size_t count = reader.entries().size();
  std::vector<size_t> all(count);
  std::iota(all.begin(), all.end(), size_t{0});
  VerifyEntries(reader, all, jobs_, teller);
  if (teller.damaged > 0) {
    PrintError(Status::Damaged(
        messages::kDamagedArchive, ArchiveName(archive_),
        std::to_string(teller.damaged) + " of " +
            Count(count, "entry", "entries") + " damaged"));
    return kExitFailure;
  }
  StandardOutput out;
  out.Print(ArchiveName(archive_) + ": OK, " + Count(count, "entry", "entries") + "\n");
  return out.Finish() ? kExitSuccess : kExitFailure;
}

}  // namespace varnok
