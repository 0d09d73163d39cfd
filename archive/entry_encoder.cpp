#include "archive/entry_encoder.h"

#include <zlib.h>

#include <limits>

#include "archive/archive_format.h"
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

  // The stream compress2 makes at level 9.
  bool Init() {
    live_ = deflateInit2(&stream_, 9, Z_DEFLATED, 15, 8, Z_DEFAULT_STRATEGY) ==
            Z_OK;
    return live_;
  }
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

CEntryEncoder::CEntryEncoder(bool compress)
    : compress_(compress),
      in_(new char[kBufferSize]),
      out_(compress ? new char[kBufferSize] : nullptr) {}

CEntryEncoder::~CEntryEncoder() = default;

Status CEntryEncoder::Encode(const std::string& path, HeldBytesSink* sink,
                             EncodedEntry* entry) {
  *entry = EncodedEntry{};
  entry->method = compress_ ? kMethodDeflated : kMethodStored;
  entry->crc = Crc32(0, nullptr, 0);
  // Only regular files are read.
  CReadFile file;
  std::string reason;
  if (!file.Open(path, &reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  Status status = compress_ ? Deflate(file, path, sink, entry)
                            : Store(file, path, sink, entry);
  if (!status.ok()) return status;
  if (!file.Close(&reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  return Status::Ok();
}

Status CEntryEncoder::ReadSome(CReadFile& file, const std::string& path,
                               uint64_t sizeSoFar, size_t* n) {
  std::string reason;
  if (!file.Read(in_.get(), kBufferSize, n, &reason)) {
    return Status::IoError(messages::kCantReadFile, path, reason);
  }
  if (sizeSoFar + *n > std::numeric_limits<uint32_t>::max()) {
    return Status::BadRequest(messages::kTooLarge, path);
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
  if (!deflater.Init()) return zlibError;
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
