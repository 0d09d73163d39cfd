#include "archive/entry_encoder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "archive/archive_format.h"
#include "archive/archive_reader.h"
#include "base/byte_sink.h"
#include "platform/read_file.h"

namespace varnok {
namespace {

// Ends a deflate stream when the encoder leaves it by any path.
class DeflateStream {
 public:
  DeflateStream() = default;
  ~DeflateStream() {
    if (live_) deflateEnd(&stream_);
  }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;

  // The stream compress2 makes at level.
  bool Init(int level) {
    live_ = deflateInit2(&stream_, level, Z_DEFLATED, 15, 8,
                         Z_DEFAULT_STRATEGY) == Z_OK;
    return live_;
  }
  // Starts a new stream with the same settings, keeping the memory.
  bool Reset() { return deflateReset(&stream_) == Z_OK; }
  z_stream* get() { return &stream_; }

 private:
  z_stream stream_{};
  bool live_ = false;
};

uint32_t Crc32(uint32_t crc, const char* data, size_t n) {
  return static_cast<uint32_t>(
      crc32(crc, reinterpret_cast<const Bytef*>(data), static_cast<uInt>(n)));
}

}  // namespace

// Checks that an entry's zlib stream starts as deflating its file at one
// level starts (see CEntryEncoder): its header, then the bytes deflate puts
// out for the file's first bytes. Keeps its deflate stream and buffers
// from one entry to the next.
class StreamProbe {
 public:
  explicit StreamProbe(int level) : level_(level) {}
  StreamProbe(const StreamProbe&) = delete;
  StreamProbe& operator=(const StreamProbe&) = delete;

  // Reads the start of entry's held bytes. False when the stream can't be
  // this level's: its header is another, or no header can be read (the
  // comparison that follows finds any other damage).
  bool ReadStart(const EntryToReuse& entry);

  // True when deflating the file's first bytes, data[0, n), puts out the
  // start of the entry's held bytes read last; when whole (they are all of
  // the file), the stream is finished and must be all of the held bytes.
  bool Matches(const char* data, size_t n, bool whole);

 private:
  // Makes the stream, once, and learns its header; false when zlib can't.
  bool Ready();

  const int level_;
  // The most held bytes a probe can put out.
  const size_t limit_ = compressBound(CEntryEncoder::kWholeProbeBytes);
  DeflateStream stream_;
  bool ready_ = false;
  std::string header_;  // the two bytes that start each stream
  std::string held_;    // the entry's first held bytes, at most limit_
  uint64_t packedSize_ = 0;
  std::unique_ptr<char[]> out_;
};

namespace {

// Compares an entry's original bytes, as a reader hands them on, with a
// file's bytes at the same places, reading the file through a fixed buffer
// and reporting each piece read to a sink. With a probe, the file's first
// piece must also pass it.
class FileComparer : public ByteSink {
 public:
  static_assert(CEntryEncoder::kProbeBytes <= CEntryEncoder::kWholeProbeBytes &&
                CEntryEncoder::kWholeProbeBytes < CEntryEncoder::kBufferSize);

  FileComparer(CReadFile& file, const std::string& path, char* buffer,
               size_t capacity, HeldBytesSink* sink, StreamProbe* probe)
      : file_(file),
        path_(path),
        buffer_(buffer),
        capacity_(capacity),
        sink_(sink),
        probe_(probe) {}

  // True once the file was found to differ from the entry.
  bool differs() const { return differs_; }
  // The failure that ended the comparison on the file's side: the file
  // could not be read, or the sink stopped the run.
  const Status& failure() const { return failure_; }
  // Source bytes read and reported so far.
  uint64_t read() const { return offset_; }

  // Any failed Status stops the reader; differs() and failure() tell why.
  Status Append(std::string_view bytes) override {
    while (!bytes.empty()) {
      if (position_ == length_) {
        Status status = Refill();
        if (!status.ok()) return status;
        if (length_ == 0) return Differ();  // the file is shorter
      }
      const size_t n = std::min(bytes.size(), length_ - position_);
      if (std::memcmp(bytes.data(), buffer_ + position_, n) != 0) {
        return Differ();
      }
      position_ += n;
      bytes.remove_prefix(n);
    }
    return Status::Ok();
  }

  // After the whole entry has passed: the file must end there too.
  void CheckEnd() {
    if (position_ == length_ && !ended_ && !Refill().ok()) return;
    if (position_ != length_) Differ();
  }

 private:
  // Reads the next piece of the file; length_ is 0 at its end. The first
  // piece holds the probe's bytes, and the whole file when the probe takes
  // it whole.
  Status Refill() {
    size_t got = 0;
    std::string reason;
    if (!file_.ReadAt(offset_, buffer_, capacity_, &got, &reason)) {
      failure_ = Status::IoError(messages::kCantReadFile, path_, reason);
      return failure_;
    }
    const bool first = offset_ == 0;
    ended_ = got < capacity_;
    offset_ += got;
    position_ = 0;
    length_ = got;
    if (got > 0) failure_ = sink_->SourceRead(got);
    if (!failure_.ok()) return failure_;
    const bool whole = got <= CEntryEncoder::kWholeProbeBytes;
    if (first && probe_ != nullptr &&
        !probe_->Matches(buffer_, whole ? got : CEntryEncoder::kProbeBytes,
                         whole)) {
      return Differ();
    }
    return Status::Ok();
  }

  Status Differ() {
    differs_ = true;
    return Status::Cancelled();
  }

  CReadFile& file_;
  const std::string& path_;
  char* const buffer_;
  const size_t capacity_;
  HeldBytesSink* const sink_;
  StreamProbe* const probe_;
  uint64_t offset_ = 0;    // of the file, after the piece in the buffer
  size_t position_ = 0;    // in the buffer, of the next byte to compare
  size_t length_ = 0;      // bytes in the buffer
  bool ended_ = false;     // the last read stopped at the file's end
  bool differs_ = false;
  Status failure_;
};

// Hands the held bytes a reader passes on to a sink's Append.
class HeldBytesCopier : public ByteSink {
 public:
  explicit HeldBytesCopier(HeldBytesSink* sink) : sink_(sink) {}
  Status Append(std::string_view bytes) override {
    return sink_->Append(bytes.data(), bytes.size());
  }

 private:
  HeldBytesSink* const sink_;
};

// Hands the held bytes a reader passes on to a sink's Append, and counts
// them as read.
class CountingCopier : public ByteSink {
 public:
  explicit CountingCopier(HeldBytesSink* sink) : sink_(sink) {}
  Status Append(std::string_view bytes) override {
    Status status = sink_->Append(bytes.data(), bytes.size());
    if (status.ok()) status = sink_->SourceRead(bytes.size());
    return status;
  }

 private:
  HeldBytesSink* const sink_;
};

// Takes the reports of source bytes read, and nothing else.
class ReadCounter : public HeldBytesSink {
 public:
  Status Append(const char*, size_t) override { return Status::Ok(); }
  Status SourceRead(size_t) override { return Status::Ok(); }
};

// Passes everything on to a sink, except that the first source bytes read,
// reported to it already, are not reported again.
class RereadSink : public HeldBytesSink {
 public:
  RereadSink(HeldBytesSink* sink, uint64_t reported)
      : sink_(sink), reported_(reported) {}

  Status Append(const char* data, size_t n) override {
    return sink_->Append(data, n);
  }
  Status AppendEntry(const EntryToReuse& entry) override {
    return sink_->AppendEntry(entry);
  }
  Status SourceRead(size_t n) override {
    const uint64_t known = std::min<uint64_t>(n, reported_);
    reported_ -= known;
    // Even with nothing new to count, the sink gets its say (a cancel).
    return sink_->SourceRead(n - static_cast<size_t>(known));
  }

 private:
  HeldBytesSink* const sink_;
  uint64_t reported_;
};

}  // namespace

bool StreamProbe::Ready() {
  if (ready_) return true;
  if (!stream_.Init(level_)) return false;
  out_ = std::make_unique_for_overwrite<char[]>(limit_);
  // The header starts every stream, even an empty one's.
  z_stream* stream = stream_.get();
  stream->next_out = reinterpret_cast<Bytef*>(out_.get());
  stream->avail_out = static_cast<uInt>(limit_);
  if (deflate(stream, Z_FINISH) != Z_STREAM_END) return false;
  header_.assign(out_.get(), 2);
  ready_ = true;
  return true;
}

bool StreamProbe::ReadStart(const EntryToReuse& entry) {
  // Takes the held bytes up to the limit, then stops the reader.
  class Start : public ByteSink {
   public:
    Start(std::string* held, size_t limit) : held_(held), limit_(limit) {}
    Status Append(std::string_view bytes) override {
      held_->append(bytes.substr(0, limit_ - held_->size()));
      return held_->size() < limit_ ? Status::Ok() : Status::Cancelled();
    }

   private:
    std::string* const held_;
    const size_t limit_;
  };
  held_.clear();
  packedSize_ = entry.archive->entries()[entry.index].record.packedSize;
  Start start(&held_, limit_);
  entry.archive->ReadHeld(entry.index, start);
  return Ready() && held_.starts_with(header_);
}

bool StreamProbe::Matches(const char* data, size_t n, bool whole) {
  if (!Ready() || !stream_.Reset()) return false;
  z_stream* stream = stream_.get();
  stream->next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
  stream->avail_in = static_cast<uInt>(n);
  stream->next_out = reinterpret_cast<Bytef*>(out_.get());
  stream->avail_out = static_cast<uInt>(limit_);
  const int result = deflate(stream, whole ? Z_FINISH : Z_NO_FLUSH);
  if (result != (whole ? Z_STREAM_END : Z_OK)) return false;
  const std::string_view made(out_.get(), limit_ - stream->avail_out);
  if (whole && made.size() != packedSize_) return false;
  return std::string_view(held_).starts_with(made);
}

Status HeldBytesSink::AppendEntry(const EntryToReuse& entry) {
  HeldBytesCopier copier(this);
  return entry.archive->ReadHeld(entry.index, copier);
}

Status CEntryEncoder::Copy(const EntryToReuse& entry, HeldBytesSink* sink,
                           EncodedEntry* result) {
  *result = EncodedEntry{};
  CountingCopier copier(sink);
  Status status = entry.archive->ReadHeld(entry.index, copier);
  if (!status.ok()) return status;
  const EntryRecord& record = entry.archive->entries()[entry.index].record;
  result->method = record.method;
  result->size = record.size;
  result->packedSize = record.packedSize;
  result->crc = record.crc;
  return Status::Ok();
}

CEntryEncoder::CEntryEncoder(bool compress, int level)
    : compress_(compress),
      level_(level),
      in_(new char[kBufferSize]),
      out_(compress ? new char[kBufferSize] : nullptr) {}

CEntryEncoder::~CEntryEncoder() = default;

Status CEntryEncoder::Encode(const std::string& path, HeldBytesSink* sink,
                             EncodedEntry* entry, EntryToReuse reuse) {
  *entry = EncodedEntry{};
  // Only regular files are read.
  CReadFile file;
  std::string reason;
  if (!file.Open(path, &reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  uint64_t compared = 0;
  if (reuse.archive != nullptr) {
    Status status = Reuse(file, path, reuse, sink, entry, &compared);
    if (!status.ok() || entry->reused) return status;
  }

  entry->method = compress_ ? kMethodDeflated : kMethodStored;
  entry->crc = Crc32(0, nullptr, 0);
  RereadSink fresh(sink, compared);
  Status status = compress_ ? Deflate(file, path, &fresh, entry)
                            : Store(file, path, &fresh, entry);
  if (!status.ok()) return status;
  if (!file.Close(&reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  return Status::Ok();
}

Status CEntryEncoder::Compare(const std::string& path,
                              const EntryToReuse& entry, bool* same) {
  *same = false;
  CReadFile file;
  std::string reason;
  if (!file.Open(path, &reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  ReadCounter counter;
  uint64_t compared = 0;
  return CompareOpen(file, path, entry, &counter, &compared, same);
}

Status CEntryEncoder::CompareOpen(CReadFile& file, const std::string& path,
                                  const EntryToReuse& entry,
                                  HeldBytesSink* sink, uint64_t* compared,
                                  bool* same) {
  *same = false;
  *compared = 0;
  // A deflated entry's stream must start as this encoder's at its level;
  // one with another header is not worth reading the file for.
  StreamProbe* probe = nullptr;
  if (entry.archive->entries()[entry.index].record.method == kMethodDeflated) {
    if (probe_ == nullptr) probe_ = std::make_unique<StreamProbe>(level_);
    probe = probe_.get();
    if (!probe->ReadStart(entry)) return Status::Ok();
  }
  // The comparison reads the file at offsets, so a fresh encode still
  // starts at its first byte.
  FileComparer comparer(file, path, in_.get(), kBufferSize, sink, probe);
  const Status checked = entry.archive->ReadEntry(entry.index, comparer);
  if (checked.ok()) comparer.CheckEnd();
  *compared = comparer.read();
  if (!comparer.failure().ok()) return comparer.failure();
  // A damaged entry differs from every file.
  *same = checked.ok() && !comparer.differs();
  return Status::Ok();
}

Status CEntryEncoder::Reuse(CReadFile& file, const std::string& path,
                            const EntryToReuse& reuse, HeldBytesSink* sink,
                            EncodedEntry* entry, uint64_t* compared) {
  const EntryRecord& record = reuse.archive->entries()[reuse.index].record;
  if (record.method != (compress_ ? kMethodDeflated : kMethodStored)) {
    return Status::Ok();
  }
  bool same = false;
  Status status = CompareOpen(file, path, reuse, sink, compared, &same);
  // An entry that holds other bytes: encode the file.
  if (!status.ok() || !same) return status;

  status = sink->AppendEntry(reuse);
  if (!status.ok()) return status;
  entry->method = record.method;
  entry->size = record.size;
  entry->packedSize = record.packedSize;
  entry->crc = record.crc;
  entry->reused = true;
  return Status::Ok();
}

Status CEntryEncoder::ReadSome(CReadFile& file, const std::string& path,
                               uint64_t sizeSoFar, size_t* n) {
  std::string reason;
  if (!file.Read(in_.get(), kBufferSize, n, &reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  if (sizeSoFar + *n > kMaxFileSize) {
    return Status::BadRequest(messages::kFileTooLarge, path);
  }
  return Status::Ok();
}

Status CEntryEncoder::Store(CReadFile& file, const std::string& path,
                            HeldBytesSink* sink, EncodedEntry* entry) {
  uint64_t size = 0;
  for (;;) {
    size_t n = 0;
    Status status = ReadSome(file, path, size, &n);
    if (!status.ok()) return status;
    if (n == 0) break;
    size += n;
    status = sink->SourceRead(n);
    if (!status.ok()) return status;
    entry->crc = Crc32(entry->crc, in_.get(), n);
    status = sink->Append(in_.get(), n);
    if (!status.ok()) return status;
  }
  entry->size = static_cast<uint32_t>(size);
  entry->packedSize = size;
  return Status::Ok();
}

Status CEntryEncoder::Deflate(CReadFile& file, const std::string& path,
                              HeldBytesSink* sink, EncodedEntry* entry) {
  const Status zlibError = Status::IoError(messages::kZlibError, path);
  DeflateStream deflater;
  if (!deflater.Init(level_)) return zlibError;
  z_stream* stream = deflater.get();

  uint64_t size = 0;
  uint64_t packedSize = 0;
  bool atEnd = false;
  int result = Z_OK;
  while (result != Z_STREAM_END) {
    if (stream->avail_in == 0 && !atEnd) {
      size_t n = 0;
      Status status = ReadSome(file, path, size, &n);
      if (!status.ok()) return status;
      size += n;
      atEnd = n == 0;
      if (n > 0) {
        status = sink->SourceRead(n);
        if (!status.ok()) return status;
      }
      stream->next_in = reinterpret_cast<Bytef*>(in_.get());
      stream->avail_in = static_cast<uInt>(n);
    }

    // Deflate what is in hand, and hand on every full output buffer (and,
    // at the end, the rest).
    stream->next_out = reinterpret_cast<Bytef*>(out_.get());
    stream->avail_out = static_cast<uInt>(kBufferSize);
    result = deflate(stream, atEnd ? Z_FINISH : Z_NO_FLUSH);
    // Each call has input in hand or finishes the stream, and a free output
    // buffer, so anything but progress is a real failure.
    if (result != Z_OK && result != Z_STREAM_END) return zlibError;
    const size_t produced = kBufferSize - stream->avail_out;
    if (produced > 0) {
      entry->crc = Crc32(entry->crc, out_.get(), produced);
      packedSize += produced;
      Status status = sink->Append(out_.get(), produced);
      if (!status.ok()) return status;
    }
  }
  entry->size = static_cast<uint32_t>(size);
  entry->packedSize = packedSize;
  return Status::Ok();
}

}  // namespace varnok
