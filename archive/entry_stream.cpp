#include "archive/entry_stream.h"

#include <zlib.h>

#include <algorithm>
#include <string>

namespace varnok {

namespace {

// Held bytes of a deflated entry pass through an input buffer of this size.
constexpr size_t kInputSize = 16 * 1024;

}  // namespace

struct CEntryStream::Inflater {
  Inflater() { ok = inflateInit(&stream) == Z_OK; }
  ~Inflater() {
    if (ok) inflateEnd(&stream);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  z_stream stream{};
  bool ok = false;
};

CEntryStream::CEntryStream(CArchiveReader& reader, size_t index)
    : reader_(reader), index_(index) {}

CEntryStream::~CEntryStream() = default;

Status CEntryStream::Start() {
  if (index_ >= reader_.entries().size()) {
    return Fail(Status::BadRequest(
        messages::kCantReadArchive, {},
        "no entry " + std::to_string(index_) + " (the archive holds " +
            std::to_string(reader_.entries().size()) + ")"));
  }
  record_ = reader_.entries()[index_].record;
  if (record_.method == kMethodDeflated) {
    inflater_ = std::make_unique<Inflater>();
    if (!inflater_->ok) return Fail(Status::OutOfMemory());
    input_ = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(
        std::min<uint64_t>(record_.packedSize, kInputSize)));
  }
  Restart();
  return Status::Ok();
}

void CEntryStream::Restart() {
  if (inflater_ != nullptr) {
    inflateReset(&inflater_->stream);
    inflater_->stream.avail_in = 0;
  }
  held_ = 0;
  position_ = 0;
  crc_ = static_cast<uint32_t>(crc32(0, Z_NULL, 0));
  checkCrc_ = true;
  streamEnded_ = false;
  finished_ = false;
}

Status CEntryStream::Fail(Status status) {
  failure_ = status;
  return status;
}

Status CEntryStream::Read(char* buffer, size_t capacity, size_t* got) {
  *got = 0;
  if (!failure_.ok()) return failure_;
  while (*got < capacity && !finished_) {
    size_t produced = 0;
    Status status = Step(buffer + *got, capacity - *got, &produced);
    if (!status.ok()) return Fail(status);
    *got += produced;
  }
  // Every byte handed out: what is left of the held bytes must end the
  // entry as its checks demand.
  char spare[1];
  while (!finished_ && position_ == record_.size) {
    size_t produced = 0;
    Status status = Step(spare, sizeof spare, &produced);
    if (!status.ok()) return Fail(status);
  }
  return Status::Ok();
}

Status CEntryStream::Seek(uint64_t position) {
  if (!failure_.ok()) return failure_;
  if (position > record_.size) {
    return Status::BadRequest(messages::kCantReadArchive, {},
                              "position " + std::to_string(position) +
                                  " lies past the end of " + "entry " +
                                  std::to_string(index_) + " (" +
                                  std::to_string(record_.size) + " bytes)");
  }
  if (position == 0 || position < position_) Restart();
  if (record_.method != kMethodDeflated) {
    if (position != position_) checkCrc_ = false;
    held_ = position_ = position;
    finished_ = false;
    return Status::Ok();
  }
  char skipped[4096];
  while (position_ < position) {
    size_t got = 0;
    const auto want = static_cast<size_t>(
        std::min<uint64_t>(sizeof skipped, position - position_));
    Status status = Read(skipped, want, &got);
    if (!status.ok()) return status;
    if (got == 0) break;  // unreachable: the size bounds position
  }
  return Status::Ok();
}

Status CEntryStream::Step(char* buffer, size_t capacity, size_t* produced) {
  *produced = 0;
  return record_.method == kMethodDeflated
             ? StepDeflated(buffer, capacity, produced)
             : StepStored(buffer, capacity, produced);
}

Status CEntryStream::StepStored(char* buffer, size_t capacity,
                                size_t* produced) {
  const auto length = static_cast<size_t>(
      std::min<uint64_t>(capacity, record_.packedSize - held_));
  if (length > 0) {
    Status status = reader_.ReadHeldAt(index_, held_, length, buffer);
    if (!status.ok()) return status;
    if (checkCrc_) {
      crc_ = static_cast<uint32_t>(crc32(crc_,
                                         reinterpret_cast<const Bytef*>(buffer),
                                         static_cast<uInt>(length)));
    }
    held_ += length;
    position_ += length;
    *produced = length;
  }
  if (held_ < record_.packedSize) return Status::Ok();
  if (!checkCrc_) {
    finished_ = true;
    return Status::Ok();
  }
  return Finish();
}

Status CEntryStream::Refill() {
  const auto length = static_cast<size_t>(
      std::min<uint64_t>(kInputSize, record_.packedSize - held_));
  Status status = reader_.ReadHeldAt(index_, held_, length, input_.get());
  if (!status.ok()) return status;
  held_ += length;
  crc_ = static_cast<uint32_t>(
      crc32(crc_, reinterpret_cast<const Bytef*>(input_.get()),
            static_cast<uInt>(length)));
  inflater_->stream.next_in = reinterpret_cast<Bytef*>(input_.get());
  inflater_->stream.avail_in = static_cast<uInt>(length);
  return Status::Ok();
}

Status CEntryStream::StepDeflated(char* buffer, size_t capacity,
                                  size_t* produced) {
  z_stream& stream = inflater_->stream;
  if (stream.avail_in == 0 && held_ < record_.packedSize) {
    Status status = Refill();
    if (!status.ok()) return status;
  }
  stream.next_out = reinterpret_cast<Bytef*>(buffer);
  stream.avail_out = static_cast<uInt>(std::min<size_t>(capacity, 1u << 30));
  const uInt outBefore = stream.avail_out;
  const int result = inflate(&stream, Z_NO_FLUSH);
  if (result == Z_NEED_DICT || result == Z_DATA_ERROR) {
    return reader_.EntryFault(
        index_,
        std::string("zlib stream is damaged (") +
            (stream.msg != nullptr ? stream.msg : "needs a dictionary") + ")");
  }
  if (result == Z_MEM_ERROR) return Status::OutOfMemory();
  *produced = outBefore - stream.avail_out;
  position_ += *produced;
  if (position_ > record_.size) {
    return reader_.EntryFault(index_, "inflates to more than its size of " +
                                          std::to_string(record_.size) +
                                          " bytes");
  }
  if (result == Z_STREAM_END) {
    streamEnded_ = true;
    const uint64_t after = stream.avail_in + (record_.packedSize - held_);
    if (after > 0) {
      return reader_.EntryFault(index_, std::to_string(after) +
                                            " bytes follow the end of its " +
                                            "zlib stream");
    }
    return Finish();
  }
  // No way on: every held byte read, and the stream not at its end.
  if (result == Z_BUF_ERROR && stream.avail_in == 0 &&
      held_ == record_.packedSize) {
    return Finish();
  }
  return Status::Ok();
}

Status CEntryStream::Finish() {
  finished_ = true;
  return reader_.CheckEntryEnd(index_, inflater_ != nullptr, streamEnded_,
                               position_, crc_);
}

}  // namespace varnok
