#include "archive/archive_extractor.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <utility>

#include "base/escape.h"
#include "base/messages.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace varnok {

namespace {

// Held bytes the system is asked to read ahead of the run's threads.
constexpr uint64_t kReadAhead = uint64_t{16} << 20;

// Asks the system to read the held bytes of the entries a run reaches next,
// kReadAhead at a time, so that the disk works while the threads inflate:
// once the threads are half way through a window, the next one is asked
// for.
class ReadAhead {
 public:
  ReadAhead(const CArchiveReader& reader, const std::vector<size_t>& indices)
      : reader_(reader), indices_(indices) {}

  // A thread has claimed position.
  void Reached(size_t position) {
    std::lock_guard lock(mutex_);
    if (position < refill_ || next_ >= indices_.size()) return;
    const size_t first = std::max(position, next_);
    size_t last = first;
    uint64_t bytes = 0;
    for (; last + 1 < indices_.size() && bytes < kReadAhead; ++last) {
      bytes += reader_.entries()[indices_[last]].record.packedSize;
    }
    reader_.WillRead(indices_, first, last);
    next_ = last + 1;
    refill_ = first + (next_ - first) / 2;
  }

 private:
  const CArchiveReader& reader_;
  const std::vector<size_t>& indices_;
  std::mutex mutex_;
  size_t next_ = 0;    // the first position not asked for
  size_t refill_ = 0;  // the position that asks for the next window
};

}  // namespace

unsigned ThreadsFor(unsigned jobs, size_t count) {
  const size_t threads = jobs != 0 ? jobs : AvailableCores();
  return static_cast<unsigned>(std::max<size_t>(1, std::min(threads, count)));
}

CArchiveExtractor::CArchiveExtractor(CArchiveReader& reader,
                                     ExtractOptions options)
    : reader_(reader), options_(options) {}

std::vector<std::string> CArchiveExtractor::Targets(
    const std::vector<size_t>& indices, std::vector<Status>* refusals) const {
  const std::vector<ArchiveEntry>& entries = reader_.entries();
  std::vector<std::string> targets;
  refusals->assign(indices.size(), Status::Ok());
  // An engine reads the first entry of a name; a later one would overwrite
  // it, so it is not written.
  std::unordered_map<std::string, size_t> firstOfPath;
  for (size_t position = 0; position < indices.size(); ++position) {
    const size_t index = indices[position];
    const std::vector<std::string_view> parts =
        NameComponents(entries[index].name);
    std::string target;
    if (options_.withoutFolders) {
      // An unsafe name is refused as it is stored, and takes no name from
      // the entries after it.
      (*refusals)[position] = CheckExtractName(entries[index].name);
      if (!(*refusals)[position].ok()) {
        targets.emplace_back();
        continue;
      }
      target = parts.back();
    } else {
      for (std::string_view part : parts) (target += part) += '/';
      if (!target.empty()) target.pop_back();
    }
    const auto [first, added] =
        firstOfPath.emplace(FileNameKey(FromArchiveEncoding(target)), index);
    if (!added) {
      (*refusals)[position] = Status::BadRequest(
          messages::kRepeatedName, EscapeName(entries[index].name),
          "entry " + std::to_string(index) + ", after entry " +
              std::to_string(first->second));
    }
    targets.push_back(options_.withoutFolders ? std::move(target)
                                              : entries[index].name);
  }
  return targets;
}

Status CArchiveExtractor::Run(const std::string& folder,
                              const std::vector<size_t>& indices,
                              EntryObserver& observer) {
  // The caller's thread opens the folder first, so that a folder that
  // can't be opened fails the run before any entry.
  CExtractFolder first;
  const Status opened = first.Open(folder);
  if (!opened.ok()) return opened;
  std::vector<Status> refusals;
  const std::vector<std::string> targets = Targets(indices, &refusals);
  COrderedWork work(
      indices.size(), options_.maxAhead,
      [&](size_t position, const Status& status) {
        observer.EntryDone(indices[position], status);
      },
      [&] { return observer.Cancelled(); });
  ReadAhead ahead(reader_, indices);
  const auto reached = [&ahead](size_t position) { ahead.Reached(position); };
  const std::thread::id caller = std::this_thread::get_id();
  COrderedWork::RunOn(ThreadsFor(options_.jobs, indices.size()), [&] {
    if (std::this_thread::get_id() == caller) {
      Work(first, indices, targets, refusals, work, reached);
      return;
    }
    // A thread whose own folder can't be opened leaves its share to the
    // others.
    CExtractFolder own;
    if (own.Open(folder).ok()) {
      Work(own, indices, targets, refusals, work, reached);
    }
  });
  return Status::Ok();
}

void CArchiveExtractor::Work(CExtractFolder& folder,
                             const std::vector<size_t>& indices,
                             const std::vector<std::string>& targets,
                             const std::vector<Status>& refusals,
                             COrderedWork& work,
                             const std::function<void(size_t)>& reached) {
  // A file that replaces another waits for its batch: the batch ends
  // before this thread waits for the others, and at the end.
  const auto finish = [&folder] { folder.Finish(); };
  size_t position;
  while (work.Claim(&position, finish)) {
    reached(position);
    const size_t index = indices[position];
    if (!refusals[position].ok()) {
      work.Deliver(position, refusals[position]);
      continue;
    }
    folder.Extract(
        targets[position],
        [this, index](ByteSink& sink) { return reader_.ReadEntry(index, sink); },
        [&work, position](const Status& status) {
          work.Deliver(position, status);
        },
        options_.existing);
  }
  finish();
}

void VerifyEntries(CArchiveReader& reader, const std::vector<size_t>& indices,
                   unsigned jobs, EntryObserver& observer, size_t maxAhead) {
  COrderedWork work(
      indices.size(), maxAhead,
      [&](size_t position, const Status& status) {
        observer.EntryDone(indices[position], status);
      },
      [&] { return observer.Cancelled(); });
  ReadAhead ahead(reader, indices);
  COrderedWork::RunOn(ThreadsFor(jobs, indices.size()), [&] {
    size_t position;
    while (work.Claim(&position, [] {})) {
      ahead.Reached(position);
      work.Deliver(position, reader.VerifyEntry(indices[position]));
    }
  });
}

}  // namespace varnok
