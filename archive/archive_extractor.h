// Extracts entries of an open archive into a folder on several threads, and
// reports how each ended in the order asked.
//
// Each thread takes the next entry in turn, reads and inflates it
// (CArchiveReader::ReadEntry, which may run on several threads at once) and
// writes it through an extraction folder of its own: every CExtractFolder
// is used by one thread only, and keeps the folders of that thread's last
// file open for its next. Files are placed in whatever order their threads
// finish them; nothing but a file's own thread ever holds its bytes, which
// stream through the reader's fixed buffers, so memory grows with the
// threads, never with the entries' sizes; the system is asked to read the
// archive a little ahead of the threads (16 MiB). The threads run at most
// ExtractOptions::maxAhead entries past the first unreported one, as the
// pack's threads run at most EncodeAheadLimits::maxFilesAhead files ahead.
//
// Every rule of one extraction holds whatever the threads: names refused
// as CExtractFolder refuses them; of entries that lead to one file (names
// that differ only in empty or "." components, or on Windows in case, or,
// without folders, that end in one name) the first asked for is written
// and the others fail with "Repeated name, not extracted"; existing files
// replaced or kept as asked; no file half-written, whatever ends the run.
// Two entries where one's name is a folder on the other's way (a, a/b) fail
// one of them, which may depend on the threads' timing.

#ifndef VARNOK_ARCHIVE_ARCHIVE_EXTRACTOR_H_
#define VARNOK_ARCHIVE_ARCHIVE_EXTRACTOR_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_reader.h"
#include "archive/encode_ahead_limits.h"
#include "archive/ordered_work.h"
#include "base/status.h"
#include "platform/extract_folder.h"

namespace varnok {

struct ExtractOptions {
  // Threads that extract; 0: the cores this process may use.
  unsigned jobs = 0;
  CExtractFolder::Existing existing = CExtractFolder::Existing::kReplace;
  // Each file goes straight beneath the folder, under the last component
  // of its stored name.
  bool withoutFolders = false;
  // Entries the threads run at most past the first unreported one.
  size_t maxAhead = EncodeAheadLimits().maxFilesAhead;
};

class CArchiveExtractor {
 public:
  // reader must be open, and outlive the extractor.
  CArchiveExtractor(CArchiveReader& reader, ExtractOptions options);

  // Extracts the entries indices lists, in that order, beneath folder
  // (created when missing): observer hears how each ended, in that order;
  // ok: the file has its name. Once observer->Cancelled(), the entries not
  // begun are left and not reported: those reported ok are the files
  // written. Fails, before any entry, only when folder can't be opened.
  Status Run(const std::string& folder, const std::vector<size_t>& indices,
             EntryObserver& observer);

 private:
  // The name each of indices is written under, as stored names spell it;
  // an entry after the first of its path gets its repeat's failure in
  // *refusals, and without folders, an unsafe name its own (ok for the
  // others).
  std::vector<std::string> Targets(const std::vector<size_t>& indices,
                                   std::vector<Status>* refusals) const;
  // What each thread does: extracts the entries it claims from work,
  // telling reached of each position as it claims it.
  void Work(CExtractFolder& folder, const std::vector<size_t>& indices,
            const std::vector<std::string>& targets,
            const std::vector<Status>& refusals, COrderedWork& work,
            const std::function<void(size_t)>& reached);

  CArchiveReader& reader_;
  const ExtractOptions options_;
};

// Verifies the entries indices lists (VerifyEntry), each one whatever the
// others hold, on jobs threads (0: the cores this process may use), at most
// maxAhead past the first unreported; observer hears each one's result in
// the order of indices, until it cancels.
void VerifyEntries(CArchiveReader& reader, const std::vector<size_t>& indices,
                   unsigned jobs, EntryObserver& observer,
                   size_t maxAhead = EncodeAheadLimits().maxFilesAhead);

// The threads a run of count entries uses when asked for jobs (0: the
// cores this process may use): never more than the entries.
unsigned ThreadsFor(unsigned jobs, size_t count);

}  // namespace varnok

#endif  // VARNOK_ARCHIVE_ARCHIVE_EXTRACTOR_H_
