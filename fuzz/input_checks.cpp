#include "fuzz/input_checks.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <fstream>
#include <random>
#include <stdexcept>
#include <vector>

#include "archive/archive_reader.h"
#include "base/escape.h"
#include "base/messages.h"
#include "libkzf/kzf.h"
#include "platform/extract_folder.h"
#include "platform/file_system.h"

namespace varnok::fuzz {

namespace {

std::string Number(uint64_t value) { return std::to_string(value); }

// The file the reader opens, made once per process (in memory, under
// /dev/shm, where the system has it) and rewritten for each input.
class ScratchFile {
 public:
  ScratchFile() {
    namespace fs = std::filesystem;
    const fs::path folder = fs::is_directory("/dev/shm")
                                ? fs::path("/dev/shm")
                                : fs::temp_directory_path();
    char name[40];
    std::snprintf(name, sizeof name, "varnok-fuzz-input-%08x",
                  static_cast<unsigned>(std::random_device()()));
    path_ = (folder / name).string();
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  // Makes bytes the file's whole content; returns its path.
  const std::string& Hold(std::string_view bytes) {
    std::ofstream out(path_, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw std::runtime_error("can't write " + path_);
    return path_;
  }

 private:
  std::string path_;
};

// The u32 at offset of bytes, which must hold it, least significant byte
// first (as the archive's fields) or last (as a zlib stream's Adler-32).
uint32_t LittleEndian32(std::string_view bytes, uint64_t offset) {
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}
uint32_t BigEndian32(std::string_view bytes, uint64_t offset) {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

// Counts what the reader streams and sums its Adler-32; when given the bytes
// expected, also notes whether the stream differs from them.
class CheckingSink : public EntrySink {
 public:
  CheckingSink() = default;
  explicit CheckingSink(std::string_view expected)
      : expected_(expected), compare_(true) {}

  Status Append(std::string_view piece) override {
    if (compare_ && expected_.substr(std::min(count_, expected_.size()),
                                     piece.size()) != piece) {
      differs_ = true;
    }
    count_ += piece.size();
    adler_ = adler32(adler_, reinterpret_cast<const Bytef*>(piece.data()),
                     static_cast<uInt>(piece.size()));
    return Status::Ok();
  }

  size_t count() const { return count_; }
  uint32_t adler() const { return static_cast<uint32_t>(adler_); }
  bool differs() const { return differs_; }

 private:
  std::string_view expected_;
  bool compare_ = false;
  bool differs_ = false;
  size_t count_ = 0;
  uLong adler_ = adler32(0, Z_NULL, 0);
};

// Whether held are sound bytes for record, judged apart from the reader:
// their CRC-32 is the record's, and a deflated entry's are one zlib stream
// that inflates to exactly size bytes and ends at their last byte.
bool EntryIsSound(const EntryRecord& record, std::string_view held) {
  const uLong crc = crc32(crc32(0, Z_NULL, 0),
                          reinterpret_cast<const Bytef*>(held.data()),
                          static_cast<uInt>(held.size()));
  if (crc != record.crc) return false;
  if (record.method == kMethodStored) return held.size() == record.size;
  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) throw std::runtime_error("inflateInit");
  stream.next_in =
      reinterpret_cast<Bytef*>(const_cast<char*>(held.data()));
  stream.avail_in = static_cast<uInt>(held.size());
  static char output[64 * 1024];  // the checks run on one thread
  int result = Z_OK;
  while (result == Z_OK && stream.total_out <= record.size) {
    stream.next_out = reinterpret_cast<Bytef*>(output);
    stream.avail_out = sizeof output;
    result = inflate(&stream, Z_NO_FLUSH);
  }
  const bool sound = result == Z_STREAM_END && stream.avail_in == 0 &&
                     stream.total_out == record.size;
  inflateEnd(&stream);
  return sound;
}

bool IsReaderMessage(const std::string& message) {
  using namespace messages;
  for (const char* known : {kCantOpenArchive, kCantReadArchive, kNotAnArchive,
                            kUnsupportedVersion, kDamagedArchive}) {
    if (message == known) return true;
  }
  return false;
}

std::string CheckFailedOpen(const CArchiveReader& reader, const Status& opened,
                            const std::string& path) {
  if (!reader.entries().empty()) {
    return "Open failed (" + opened.ToString() + ") but left " +
           Number(reader.entries().size()) + " entries";
  }
  if (!IsReaderMessage(opened.message())) {
    return "Open failed with an unknown message: " + opened.ToString();
  }
  if (opened.detail() != path || opened.reason().empty()) {
    return "Open failed without the path as detail and a reason: " +
           opened.ToString();
  }
  return {};
}

// The listing of an opened archive against the bytes of the file: each name
// is the one stored after its record, the data lie back to back from the
// byte after the directory's zero byte up to the file's end.
std::string CheckListing(const CArchiveReader& reader, std::string_view bytes) {
  const std::vector<ArchiveEntry>& entries = reader.entries();
  // Header, pointer table, bucket count, 997 bucket slots, a record per
  // entry and the zero byte, at the least.
  const uint64_t smallest = 16 + 4 * entries.size() + 4 + 4 * 997 +
                            22 * entries.size() + 1;
  if (bytes.size() < smallest) {
    return "Open accepted " + Number(bytes.size()) + " bytes as an archive of " +
           Number(entries.size()) + " entries";
  }
  if (reader.fileSize() != bytes.size()) {
    return "Open reports " + Number(reader.fileSize()) + " bytes for a file of " +
           Number(bytes.size());
  }
  if (entries.size() != LittleEndian32(bytes, 12)) {
    return "Open lists " + Number(entries.size()) +
           " entries, the header counts " + Number(LittleEndian32(bytes, 12));
  }
  const uint64_t zero = LittleEndian32(bytes, 8);
  if (zero >= bytes.size() || bytes[zero] != '\0') {
    return "Open accepted a directory without its zero byte at " + Number(zero);
  }
  uint64_t dataOffset = zero + 1;
  size_t longestName = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const EntryRecord& record = entries[i].record;
    const std::string& name = entries[i].name;
    const uint64_t nameOffset = LittleEndian32(bytes, 16 + 4 * i) + 22;
    if (name.size() != record.nameLength || nameOffset + name.size() > zero ||
        bytes.substr(nameOffset, name.size()) != name) {
      return "entry " + Number(i) + ": listed name is not the one stored";
    }
    if (record.dataOffset != dataOffset ||
        dataOffset + record.packedSize > bytes.size()) {
      return "entry " + Number(i) + ": data at " + Number(record.dataOffset) +
             " (+" + Number(record.packedSize) + "), expected at " +
             Number(dataOffset) + " inside " + Number(bytes.size()) + " bytes";
    }
    dataOffset += record.packedSize;
    longestName = std::max(longestName, name.size());
    // FindEntry walks the directory; a few lookups keep large ones fast.
    if (i < 8) {
      const std::optional<size_t> found = reader.FindEntry(name);
      if (!found || *found > i || entries[*found].name != name) {
        return "entry " + Number(i) + ": FindEntry misses its name";
      }
    }
  }
  if (dataOffset != bytes.size()) {
    return "Open accepted data ending at " + Number(dataOffset) +
           " in a file of " + Number(bytes.size()) + " bytes";
  }
  if (reader.FindEntry(std::string(longestName + 1, 'x'))) {
    return "FindEntry finds a name longer than every stored one";
  }
  return {};
}

// Verifies and streams every entry of an opened archive; *sound tells
// which entries read without a fault.
std::string CheckEntries(CArchiveReader& reader, std::string_view bytes,
                         std::vector<bool>* sound) {
  const std::vector<ArchiveEntry>& entries = reader.entries();
  Status firstFault;
  for (size_t i = 0; i < entries.size(); ++i) {
    const EntryRecord& record = entries[i].record;
    const std::string_view held =
        bytes.substr(record.dataOffset, record.packedSize);
    const bool stored = record.method == kMethodStored;
    CheckingSink sink = stored ? CheckingSink(held) : CheckingSink();
    const Status verified = reader.VerifyEntry(i);
    const Status read = reader.ReadEntry(i, sink);
    sound->push_back(read.ok());
    const std::string place = "entry " + Number(i) + ": ";
    if (verified.ToString() != read.ToString()) {
      return place + "VerifyEntry says \"" + verified.ToString() +
             "\", ReadEntry says \"" + read.ToString() + "\"";
    }
    if (read.ok() != EntryIsSound(record, held)) {
      return place + (read.ok() ? "damaged data read without a fault"
                                : "sound data refused: " + read.ToString());
    }
    if (!read.ok()) {
      if (read.code() != StatusCode::kDamagedArchive) {
        return place + "read fails after Open accepted the layout: " +
               read.ToString();
      }
      if (firstFault.ok()) firstFault = read;
      continue;
    }
    if (sink.count() != record.size) {
      return place + "ReadEntry handed on " + Number(sink.count()) +
             " bytes, the record's size is " + Number(record.size);
    }
    if (stored && sink.differs()) {
      return place + "ReadEntry handed on other bytes than the stored ones";
    }
    if (!stored && (held.size() < 4 ||
                    sink.adler() != BigEndian32(held, held.size() - 4))) {
      return place + "ReadEntry's bytes do not match the zlib stream's Adler-32";
    }
  }
  const Status all = reader.VerifyAll();
  if (all.ToString() != firstFault.ToString()) {
    return "VerifyAll says \"" + all.ToString() +
           "\", the entries' first fault is \"" + firstFault.ToString() + "\"";
  }
  CheckingSink none;
  if (reader.ReadEntry(entries.size(), none).ok() || none.count() != 0) {
    return "ReadEntry reads an entry past the last";
  }
  return {};
}

// Whether an entry of size bytes held in packedSize can be read whole
// within reason: a zlib stream inflates to at most about 1032 times its
// length, so a larger size is damage, which streaming finds as well, and a
// buffer for it would cost more than the checks.
bool WorthReadingWhole(const kzf_entry& entry) {
  return entry.size <= uint64_t{entry.packed_size} * 1032 + 1024;
}

// Entry i through the C library: read whole (where its size allows), in
// pieces and after a seek, each agreeing with the reader on whether the
// bytes are sound (sound, as read says) and on the bytes themselves.
std::string CheckLibraryEntry(kzf_archive* archive, uint32_t i, bool sound) {
  const std::string place = "library, entry " + Number(i) + ": ";
  kzf_entry entry;
  if (kzf_entry_info(archive, i, &entry) != KZF_OK) {
    return place + "no information: " + kzf_error_message();
  }
  std::string streamed, piece(777, '\0');
  kzf_stream* stream = nullptr;
  kzf_error code = kzf_stream_open(archive, i, &stream);
  for (size_t got = 1; code == KZF_OK && got > 0;) {
    code = kzf_stream_read(stream, piece.data(), piece.size(), &got);
    streamed.append(piece, 0, got);
  }
  if ((code == KZF_OK) != sound ||
      (code != KZF_OK && code != KZF_ERROR_DAMAGED)) {
    kzf_stream_close(stream);
    return place + "streamed with code " + Number(code) + " (" +
           kzf_error_message() + "), the reader says it is " +
           (sound ? "sound" : "damaged");
  }
  std::string fault;
  if (sound && entry.size > 0) {
    const uint64_t middle = entry.size / 2;
    size_t got = 0;
    if (kzf_stream_seek(stream, middle) != KZF_OK ||
        kzf_stream_read(stream, piece.data(), piece.size(), &got) != KZF_OK ||
        piece.compare(0, got, streamed, middle, got) != 0 || got == 0) {
      fault = place + "a seek to the middle reads other bytes";
    }
  }
  kzf_stream_close(stream);
  if (!fault.empty() || !WorthReadingWhole(entry)) return fault;
  std::string whole(entry.size, '\0');
  code = kzf_read(archive, i, whole.data(), whole.size());
  if ((code == KZF_OK) != sound || (sound && whole != streamed)) {
    return place + "read whole with code " + Number(code) +
           (sound ? ", other bytes than streamed" : ", though damaged");
  }
  return {};
}

// The same bytes through the C library, opened from memory: it opens what
// the reader opened (a failure with the reader's message, naming the
// archive in memory), lists the same entries, finds each name, and agrees
// with the reader on every entry (CheckLibraryEntry; sound: which entries
// the reader read without a fault).
std::string CheckLibrary(std::string_view bytes, const CArchiveReader& reader,
                         const Status& opened, const std::vector<bool>& sound) {
  kzf_archive* archive = nullptr;
  const kzf_error code = kzf_open_memory(bytes.empty() ? "" : bytes.data(),
                                         bytes.size(), &archive);
  const std::string message = kzf_error_message();
  std::unique_ptr<kzf_archive, decltype(&kzf_close)> owned(archive, kzf_close);
  if ((code == KZF_OK) != opened.ok()) {
    return "library opens with code " + Number(code) + " (" + message +
           "), the reader says: " + opened.ToString();
  }
  if (code != KZF_OK) {
    const bool named = message.starts_with(opened.message() + ": " +
                                           messages::kArchiveInMemory + ": ");
    return archive == nullptr && named
               ? std::string()
               : "library's failed open leaves a handle or says: " + message;
  }
  const auto& entries = reader.entries();
  if (kzf_count(archive) != entries.size()) {
    return "library counts " + Number(kzf_count(archive)) + " entries";
  }
  for (uint32_t i = 0; i < entries.size(); ++i) {
    uint32_t found = 0;
    const std::string& name = entries[i].name;
    if (name.find('\0') == std::string::npos &&
        (kzf_find(archive, name.c_str(), &found) != KZF_OK || found > i ||
         entries[found].name != name)) {
      return "library, entry " + Number(i) + ": kzf_find misses its name";
    }
    std::string fault = CheckLibraryEntry(archive, i, sound[i]);
    if (!fault.empty()) return fault;
  }
  return {};
}

// The rule for names, stated apart from CheckExtractName: a name is safe
// when it is not empty, holds no zero byte, does not start with '/', has no
// ".." component, its last component is neither empty nor ".", and this
// system takes each of its other components ("" and "." aside) as a name.
bool ModelAcceptsName(std::string_view name) {
  if (name.empty() || name[0] == '/') return false;
  std::vector<std::string> components(1);
  for (char c : name) {
    if (c == '\0') return false;
    if (c == '/') {
      components.emplace_back();
    } else {
      components.back() += c;
    }
  }
  if (components.back().empty() || components.back() == ".") return false;
  std::string reason;
  for (const std::string& part : components) {
    if (part == "..") return false;
    if (!part.empty() && part != "." && !IsPortableComponent(part, &reason)) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string CheckArchiveInput(std::string_view bytes) {
  static ScratchFile file;
  const std::string& path = file.Hold(bytes);
  CArchiveReader reader;
  const Status opened = reader.Open(path);
  if (!opened.ok()) {
    std::string fault = CheckFailedOpen(reader, opened, path);
    return fault.empty() ? CheckLibrary(bytes, reader, opened, {}) : fault;
  }
  std::vector<bool> sound;
  std::string fault = CheckListing(reader, bytes);
  if (fault.empty()) fault = CheckEntries(reader, bytes, &sound);
  if (fault.empty()) fault = CheckLibrary(bytes, reader, opened, sound);
  return fault;
}

std::string CheckNameInput(std::string_view name) {
  const Status status = CheckExtractName(name);
  const bool safe = ModelAcceptsName(name);
  if (status.ok() && !safe) {
    return "CheckExtractName accepts \"" + EscapeName(name) +
           "\", a name that leaves the folder or names no file";
  }
  if (!status.ok() && safe) {
    return "CheckExtractName refuses the safe name \"" + EscapeName(name) +
           "\": " + status.ToString();
  }
  if (!status.ok() &&
      (status.message() != messages::kUnsafeName ||
       status.detail() != EscapeName(name) || status.reason().empty())) {
    return "CheckExtractName refuses \"" + EscapeName(name) +
           "\" without naming it as unsafe: " + status.ToString();
  }
  return {};
}

void AbortOnFault(const std::string& fault, std::string_view input) {
  if (fault.empty()) return;
  std::fprintf(stderr, "broken promise (input of %zu bytes): %s\n",
               input.size(), fault.c_str());
  std::abort();
}

}  // namespace varnok::fuzz
