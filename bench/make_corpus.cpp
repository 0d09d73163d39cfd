// Writes a tree of game-like assets for bench/compare.sh, and changes a few
// of its files afterwards. The same seed gives the same names, bytes and
// changes on every machine.
//
//   make_corpus tree FOLDER [--files N] [--mib M] [--seed S]
//       creates FOLDER (which must not exist yet) holding N files (3,000 by
//       default) of M mebibytes in all (200 by default) in nested folders,
//       some of whose names have spaces: scripts, configs and shaders (lines
//       of words), levels and meshes (structured binary records), images and
//       sounds (a small header, then incompressible bytes, as in media that
//       is compressed already), a few large files and some empty ones. Every
//       file is dated 1 March 2024, so a file changed later is newer than
//       any archive made from the tree.
//   make_corpus change FOLDER [--percent P] [--seed S]
//       changes P percent (1 by default; at least one) of the files beneath
//       FOLDER, chosen among the non-empty ones: half keep their size and
//       have bytes overwritten in the middle (and, when large enough, at
//       the start or at the end as well); the others grow or shrink.
//   make_corpus file PATH --mib M [--seed S]
//       writes one file of M mebibytes: blocks of media, level data, more
//       media and script text in turn.

#include <fcntl.h>
#include <sys/stat.h>

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace varnok {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kMiB = 1024 * 1024;
// Files are written a block at a time, so memory does not grow with size.
constexpr size_t kBlockBytes = kMiB;
// 2024-03-01 12:00:00 UTC, the date of every generated file.
constexpr time_t kCorpusTime = 1709294400;

// splitmix64: a fast generator whose sequence is fixed by its seed.
class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15u);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
    return z ^ (z >> 31);
  }
  // Uniform in [0, n); n > 0.
  uint64_t Below(uint64_t n) { return Next() % n; }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  // Between lo and hi, small values commoner than large: the logarithm is
  // spread between theirs, bunched towards lo the more the larger skew is.
  double Size(double lo, double hi, double skew) {
    return lo * std::pow(hi / lo, std::pow(Unit(), skew));
  }
  // Appends n bytes that no compressor can shrink.
  void AppendBytes(size_t n, std::string* out) {
    const size_t start = out->size();
    out->resize(start + n);
    for (size_t i = 0; i < n; i += 8) {
      const uint64_t word = Next();
      std::memcpy(out->data() + start + i, &word, std::min<size_t>(8, n - i));
    }
  }

 private:
  uint64_t state_;
};

// Words of a game's names and sources; early ones are picked more often.
constexpr std::array<std::string_view, 96> kWords = {
    "player", "enemy", "door", "light", "stone", "wall", "forest", "river",
    "castle", "sword", "shield", "health", "damage", "speed", "spawn",
    "trigger", "camera", "sound", "music", "water", "fire", "ice", "wind",
    "bridge", "tower", "gate", "key", "chest", "gold", "coin", "potion",
    "armor", "helmet", "boots", "arrow", "bow", "axe", "staff", "magic",
    "spell", "quest", "village", "market", "tavern", "guard", "king",
    "queen", "dragon", "wolf", "bear", "crow", "spider", "skeleton", "ghost",
    "cave", "mine", "ruins", "temple", "altar", "torch", "lantern", "rope",
    "ladder", "barrel", "crate", "cart", "horse", "boat", "sail", "anchor",
    "cliff", "hill", "valley", "meadow", "swamp", "desert", "snow", "rain",
    "storm", "night", "dawn", "shadow", "mirror", "glass", "iron", "wood",
    "cloth", "leather", "bone", "blood", "smoke", "dust", "ash", "moss",
    "root", "seed"};

std::string_view Word(Random& random) {
  const double u = random.Unit();
  return kWords[static_cast<size_t>(u * u * kWords.size())];
}

std::string Capitalized(std::string_view word) {
  std::string text(word);
  text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

// What a file holds.
enum class Content {
  kScript, kConfig, kShader,  // lines of words
  kLevel, kMesh,              // structured binary records
  kImage, kSound, kVideo,     // a header, then incompressible bytes
  kEmpty,
};

// Lines of text: '$' stands for a word, '@' for a whole number, '~' for a
// decimal one.
constexpr std::array<const char*, 7> kScriptLines = {
    "function $_$(self, $)\n",
    "  local $ = self.$ + @\n",
    "  if $ > @ then\n    $.$($, \"$ $\")\n  end\n",
    "  self.$_$ = ~\n",
    "  return $\n",
    "end\n\n",
    "-- $ $ $ $ $\n",
};
constexpr std::array<const char*, 5> kConfigLines = {
    "[$]\n",
    "$_$ = @\n",
    "$ = \"$ $\"\n",
    "$.$ = ~\n",
    "\n",
};
constexpr std::array<const char*, 6> kShaderLines = {
    "uniform float4 $_$;\n",
    "#define $_$ @\n",
    "  float3 $ = normalize($ * ~ + $);\n",
    "  $ += tex2D($Sampler, uv * ~).rgb;\n",
    "  return float4($, ~);\n}\n\n",
    "// $ $ $\n",
};

void AppendLine(const char* pattern, Random& random, std::string* out) {
  char number[32];
  for (const char* c = pattern; *c != '\0'; ++c) {
    if (*c == '$') {
      *out += Word(random);
    } else if (*c == '@') {
      *out += std::to_string(random.Below(1000));
    } else if (*c == '~') {
      std::snprintf(number, sizeof number, "%.3f", random.Unit() * 10);
      *out += number;
    } else {
      *out += *c;
    }
  }
}

template <size_t N>
void AppendText(const std::array<const char*, N>& lines, size_t n,
                Random& random, std::string* out) {
  const size_t end = out->size() + n;
  while (out->size() < end) AppendLine(lines[random.Below(N)], random, out);
  out->resize(end);
}

void PutU16(uint16_t value, std::string* out) {
  *out += static_cast<char>(value & 0xFF);
  *out += static_cast<char>(value >> 8);
}

void PutU32(uint32_t value, std::string* out) {
  for (int shift = 0; shift < 32; shift += 8)
    *out += static_cast<char>((value >> shift) & 0xFF);
}

void PutFloat(float value, std::string* out) {
  PutU32(std::bit_cast<uint32_t>(value), out);
}

// Entity records of about 40 bytes: type, flags, position, a turn in steps
// of 15 degrees, model, parent, and a name of a word and a number.
void AppendLevel(size_t n, Random& random, std::string* out) {
  const size_t end = out->size() + n;
  for (uint32_t i = 0; out->size() < end; ++i) {
    PutU16(static_cast<uint16_t>(random.Below(24)), out);
    PutU16(static_cast<uint16_t>(random.Below(4)), out);
    PutFloat(static_cast<float>(random.Unit() * 512), out);
    PutFloat(static_cast<float>(random.Unit() * 16), out);
    PutFloat(static_cast<float>(random.Unit() * 512), out);
    PutFloat(static_cast<float>(random.Below(24)) * 15.0f, out);
    PutU16(static_cast<uint16_t>(random.Below(200)), out);
    PutU32(i - std::min<uint32_t>(i, static_cast<uint32_t>(random.Below(8))), out);
    std::string name(Word(random));
    name += '_' + std::to_string(random.Below(100));
    *out += static_cast<char>(name.size());
    *out += name;
  }
  out->resize(end);
}

// Vertices of a 64 by 64 terrain grid (position, packed normal, texture
// coordinates: 20 bytes each), then the grid's triangles as 16-bit indices.
void AppendMesh(size_t n, Random& random, std::string* out) {
  const size_t end = out->size() + n;
  const size_t vertexEnd = out->size() + n / 4 * 3;
  for (uint32_t i = 0; out->size() < vertexEnd; ++i) {
    const uint32_t x = i % 64, z = i / 64 % 64;
    PutFloat(static_cast<float>(x * 0.5 + random.Unit() * 0.05), out);
    PutFloat(static_cast<float>(random.Unit() * 2), out);
    PutFloat(static_cast<float>(z * 0.5 + random.Unit() * 0.05), out);
    *out += static_cast<char>(random.Below(32) - 16);
    *out += static_cast<char>(127 - random.Below(8));
    *out += static_cast<char>(random.Below(32) - 16);
    *out += '\0';
    PutU16(static_cast<uint16_t>(x * 1024), out);
    PutU16(static_cast<uint16_t>(z * 1024), out);
  }
  for (uint32_t i = 0; out->size() < end; ++i) {
    const auto corner = static_cast<uint16_t>(i % 4032);
    for (uint16_t index : {corner, uint16_t(corner + 1), uint16_t(corner + 64)})
      PutU16(index, out);
  }
  out->resize(end);
}

// The few bytes in front of an already-compressed image, sound or video.
std::string MediaHeader(Content content, Random& random) {
  std::string header;
  switch (content) {
    case Content::kImage:
      header.assign("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR", 16);
      PutU32(static_cast<uint32_t>(64 << random.Below(6)), &header);
      PutU32(static_cast<uint32_t>(64 << random.Below(6)), &header);
      header.append("\x08\x06\0\0\0", 5);
      break;
    case Content::kSound:
      header.assign("OggS\0\x02", 6);
      header.append(8, '\0');
      PutU32(static_cast<uint32_t>(random.Next()), &header);
      header.append(8, '\0');
      break;
    case Content::kVideo:
      header = "RIFF";
      PutU32(static_cast<uint32_t>(random.Next()), &header);
      header += "AVI LIST";
      break;
    default:
      break;
  }
  return header;
}

// Appends n bytes of content's body.
void AppendContent(Content content, size_t n, Random& random,
                   std::string* out) {
  switch (content) {
    case Content::kScript: return AppendText(kScriptLines, n, random, out);
    case Content::kConfig: return AppendText(kConfigLines, n, random, out);
    case Content::kShader: return AppendText(kShaderLines, n, random, out);
    case Content::kLevel: return AppendLevel(n, random, out);
    case Content::kMesh: return AppendMesh(n, random, out);
    case Content::kImage:
    case Content::kSound:
    case Content::kVideo: return random.AppendBytes(n, out);
    case Content::kEmpty: return;
  }
}

int Fail(const std::string& path, const char* reason) {
  std::fprintf(stderr, "make_corpus: %s: %s\n", path.c_str(), reason);
  return 1;
}

// Writes size bytes of content to a new file at path.
bool WriteFile(const std::string& path, Content content, uint64_t size,
               Random& random) {
  FILE* file = std::fopen(path.c_str(), "wbx");
  if (file == nullptr) return false;
  std::string block = MediaHeader(content, random);
  bool written = true;
  for (uint64_t done = 0; written && done < size;) {
    const size_t n = std::min<uint64_t>(kBlockBytes, size - done);
    if (block.size() > n) block.resize(n);  // a file shorter than its header
    AppendContent(content, n - block.size(), random, &block);
    written = std::fwrite(block.data(), 1, n, file) == n;
    done += n;
    block.clear();
  }
  return std::fclose(file) == 0 && written;
}

bool DateFile(const std::string& path) {
  const timespec times[2] = {{kCorpusTime, 0}, {kCorpusTime, 0}};
  return ::utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

// One kind of asset in the tree.
struct AssetKind {
  Content content;
  const char* label;  // in the summary
  double share;       // of the number of files
  double minBytes, maxBytes, skew;
  std::array<const char*, 2> roots;       // top folders; the second may be null
  std::array<const char*, 2> extensions;  // taken in turn
};

constexpr std::array<AssetKind, 8> kAssetKinds = {{
    {Content::kScript, "scripts", 0.20, 512, 96 << 10, 1.0,
     {"scripts", nullptr}, {".lua", ".lua"}},
    {Content::kConfig, "configs", 0.12, 64, 8 << 10, 1.0,
     {"config", "ui"}, {".cfg", ".ini"}},
    {Content::kShader, "shaders", 0.10, 1 << 10, 32 << 10, 1.0,
     {"shaders", nullptr}, {".hlsl", ".glsl"}},
    {Content::kLevel, "levels", 0.05, 32 << 10, 2 << 20, 1.0,
     {"levels", nullptr}, {".lvl", ".nav"}},
    {Content::kMesh, "meshes", 0.13, 8 << 10, 1 << 20, 1.0,
     {"models", nullptr}, {".mesh", ".mesh"}},
    {Content::kImage, "images", 0.22, 2 << 10, 2 << 20, 2.0,
     {"textures", "ui"}, {".png", ".png"}},
    {Content::kSound, "sounds", 0.16, 8 << 10, 2 << 20, 2.0,
     {"sounds", nullptr}, {".ogg", ".ogg"}},
    {Content::kEmpty, "empty", 0.02, 0, 0, 1.0,
     {"config", "scripts"}, {".txt", ".cfg"}},
}};

// The few large files: a video and a level in turn.
constexpr std::array<AssetKind, 2> kLargeKinds = {{
    {Content::kVideo, "large", 0, 8 << 20, 24 << 20, 1.0,
     {"movies", nullptr}, {".avi", ".avi"}},
    {Content::kLevel, "large", 0, 8 << 20, 24 << 20, 1.0,
     {"levels", nullptr}, {".lvl", ".lvl"}},
}};

// The tree's folders, grown one at a time beneath top folders.
class FolderTree {
 public:
  static constexpr int kMaxDepth = 4;

  // Adds count folders beneath root, each below a random one of root and
  // those added before, at most kMaxDepth levels down.
  void Grow(const std::string& root, size_t count, Random& random) {
    std::vector<size_t>& mine = byRoot_[root];
    mine.push_back(Add(root, 0));
    while (count > 0) {
      const size_t parent = mine[random.Below(mine.size())];
      if (depths_[parent] == kMaxDepth) continue;
      std::string name;
      const uint64_t style = random.Below(10);
      if (style < 3) {
        name = Capitalized(Word(random)) + " " + Capitalized(Word(random));
      } else if (style < 6) {
        name = std::string(Word(random)) + "_" + std::string(Word(random));
      } else {
        name = Word(random);
      }
      const std::string path = paths_[parent] + "/" + name;
      if (known_.count(path) != 0) continue;
      mine.push_back(Add(path, depths_[parent] + 1));
      --count;
    }
  }

  // A random folder beneath root, root itself included.
  const std::string& Pick(const std::string& root, Random& random) {
    const std::vector<size_t>& mine = byRoot_.at(root);
    return paths_[mine[random.Below(mine.size())]];
  }

  const std::vector<std::string>& paths() const { return paths_; }

 private:
  size_t Add(const std::string& path, int depth) {
    paths_.push_back(path);
    depths_.push_back(depth);
    known_.insert(path);
    return paths_.size() - 1;
  }

  std::vector<std::string> paths_;  // relative to the tree's folder
  std::vector<int> depths_;
  std::set<std::string> known_;
  std::map<std::string, std::vector<size_t>> byRoot_;
};

struct PlannedFile {
  const AssetKind* kind;
  const char* root;
  std::string name;
  uint64_t size;
};

std::string FileName(const AssetKind& kind, size_t index, Random& random) {
  char number[16];
  std::snprintf(number, sizeof number, "%04zu", index);
  const char* extension = kind.extensions[index % 2];
  if (random.Below(5) == 0) {
    return Capitalized(Word(random)) + " " + Capitalized(Word(random)) + " " +
           number + extension;
  }
  return std::string(Word(random)) + "_" + std::string(Word(random)) + "_" +
         number + extension;
}

// Chooses every file's kind, top folder, name and size; the sizes are
// scaled so that they add up to totalBytes.
std::vector<PlannedFile> PlanFiles(size_t count, uint64_t totalBytes,
                                   Random& random) {
  const size_t large = std::max<size_t>(1, count / 1000);
  std::vector<const AssetKind*> kinds;
  for (size_t i = 0; i < large && kinds.size() < count; ++i)
    kinds.push_back(&kLargeKinds[i % kLargeKinds.size()]);
  const size_t regular = count - kinds.size();
  for (const AssetKind& kind : kAssetKinds) {
    const auto n = static_cast<size_t>(std::llround(kind.share * static_cast<double>(regular)));
    for (size_t i = 0; i < n && kinds.size() < count; ++i) kinds.push_back(&kind);
  }
  while (kinds.size() < count) kinds.push_back(&kAssetKinds[0]);

  std::vector<PlannedFile> files;
  std::vector<double> sizes;
  double sum = 0;
  for (const AssetKind* kind : kinds) {
    const double size = kind->content == Content::kEmpty
                            ? 0
                            : random.Size(kind->minBytes, kind->maxBytes, kind->skew);
    sizes.push_back(size);
    sum += size;
    const char* root = kind->roots[kind->roots[1] != nullptr ? random.Below(2) : 0];
    files.push_back({kind, root, FileName(*kind, files.size(), random), 0});
  }
  const double scale = sum > 0 ? static_cast<double>(totalBytes) / sum : 0;
  for (size_t i = 0; i < files.size(); ++i) {
    if (sizes[i] > 0)
      files[i].size = std::max<uint64_t>(1, static_cast<uint64_t>(std::llround(sizes[i] * scale)));
  }
  return files;
}

int MakeTree(const std::string& folder, size_t count, double mebibytes,
             uint64_t seed) {
  Random random(seed);
  const std::vector<PlannedFile> files = PlanFiles(
      count, static_cast<uint64_t>(mebibytes * static_cast<double>(kMiB)), random);

  // About a dozen files a folder.
  std::map<std::string, size_t> filesByRoot;
  for (const PlannedFile& file : files) ++filesByRoot[file.root];
  FolderTree tree;
  for (const auto& [root, n] : filesByRoot) tree.Grow(root, n / 12, random);

  std::error_code error;
  if (!fs::create_directory(folder, error))
    return Fail(folder, error ? error.message().c_str() : "exists already");
  for (const std::string& path : tree.paths()) {
    if (!fs::create_directories(folder + "/" + path, error) && error)
      return Fail(folder + "/" + path, error.message().c_str());
  }

  std::map<std::string, std::pair<size_t, uint64_t>> summary;
  uint64_t total = 0;
  for (const PlannedFile& file : files) {
    const std::string path =
        folder + "/" + tree.Pick(file.root, random) + "/" + file.name;
    if (!WriteFile(path, file.kind->content, file.size, random) ||
        !DateFile(path))
      return Fail(path, std::strerror(errno));
    auto& [n, bytes] = summary[file.kind->label];
    ++n;
    bytes += file.size;
    total += file.size;
  }

  std::printf("%zu files in %zu folders, %.1f MiB:", files.size(),
              tree.paths().size(), static_cast<double>(total) / kMiB);
  const char* separator = " ";
  for (const auto& [label, entry] : summary) {
    std::printf("%s%s %zu (%.1f MiB)", separator, label.c_str(), entry.first,
                static_cast<double>(entry.second) / kMiB);
    separator = ", ";
  }
  std::printf("\n");
  return 0;
}

// Writes count script and config files of about bytes each (from 3/4 to 5/4
// of it), 256 to a folder: the other shape of a game's data.
int MakeTexts(const std::string& folder, size_t count, size_t bytes,
              uint64_t seed) {
  Random random(seed);
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    const std::string dir = folder + "/data/s" + std::to_string(i / 256);
    std::error_code error;
    if (i % 256 == 0 && !fs::create_directories(dir, error) && error)
      return Fail(dir, error.message().c_str());
    const bool script = i % 3 != 0;
    const std::string path =
        dir + "/" + std::string(Word(random)) + std::to_string(i) +
        (script ? ".lua" : ".cfg");
    text.clear();
    const size_t n = bytes * 3 / 4 + random.Below(bytes / 2 + 1);
    if (script) {
      AppendText(kScriptLines, n, random, &text);
    } else {
      AppendText(kConfigLines, n, random, &text);
    }
    FILE* file = std::fopen(path.c_str(), "wbx");
    if (file == nullptr) return Fail(path, std::strerror(errno));
    const bool written = std::fwrite(text.data(), 1, n, file) == n;
    if (std::fclose(file) != 0 || !written) return Fail(path, std::strerror(errno));
  }
  std::printf("%zu text files of about %zu bytes\n", count, bytes);
  return 0;
}

// Overwrites length bytes at offset with different ones.
bool ChangeBytes(FILE* file, uint64_t offset, size_t length, Random& random) {
  std::string bytes(length, '\0');
  if (std::fseek(file, static_cast<long>(offset), SEEK_SET) != 0 ||
      std::fread(bytes.data(), 1, length, file) != length)
    return false;
  // A nonzero mask changes every byte.
  for (char& byte : bytes) byte = static_cast<char>(byte ^ (1 + random.Below(255)));
  return std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
         std::fwrite(bytes.data(), 1, length, file) == length;
}

// Changes bytes in the middle of the file, and at its start or its end
// (atStart) when those do not overlap the middle. The size stays the same.
bool ChangeInPlace(const std::string& path, uint64_t size, bool atStart,
                   Random& random) {
  FILE* file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) return false;
  const size_t length = std::min<uint64_t>(size, 64);
  bool changed = ChangeBytes(file, size / 2 - length / 2, length, random);
  if (changed && size >= 4 * length)
    changed = ChangeBytes(file, atStart ? 0 : size - length, length, random);
  return std::fclose(file) == 0 && changed;
}

// Appends a copy of some of the file's own bytes (1 to 25 percent of it),
// or cuts 5 to 50 percent off its end; either way it changes size.
bool Resize(const std::string& path, uint64_t size, bool grow, Random& random) {
  if (!grow) {
    const uint64_t cut = std::max<uint64_t>(1, size * (5 + random.Below(46)) / 100);
    std::error_code error;
    fs::resize_file(path, size - cut, error);
    if (error) errno = error.value();
    return !error;
  }
  const uint64_t length = std::max<uint64_t>(1, size * (1 + random.Below(25)) / 100);
  const uint64_t offset = random.Below(size - length + 1);
  FILE* file = std::fopen(path.c_str(), "r+b");
  if (file == nullptr) return false;
  std::string bytes(length, '\0');
  const bool copied =
      std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
      std::fread(bytes.data(), 1, length, file) == length &&
      std::fseek(file, 0, SEEK_END) == 0 &&
      std::fwrite(bytes.data(), 1, length, file) == length;
  return std::fclose(file) == 0 && copied;
}

int ChangeTree(const std::string& folder, double percent, uint64_t seed) {
  std::vector<std::pair<std::string, uint64_t>> candidates;
  size_t count = 0;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    if (!it->is_regular_file()) continue;
    ++count;
    if (it->file_size() > 0) candidates.emplace_back(it->path().string(), it->file_size());
  }
  if (error) return Fail(folder, error.message().c_str());
  if (candidates.empty()) return Fail(folder, "no files to change");
  std::sort(candidates.begin(), candidates.end());

  const auto wanted = static_cast<size_t>(std::llround(static_cast<double>(count) * percent / 100));
  const size_t changes = std::clamp<size_t>(wanted, 1, candidates.size());
  Random random(seed);
  size_t grown = 0, shrunk = 0;
  for (size_t i = 0; i < changes; ++i) {
    std::swap(candidates[i], candidates[i + random.Below(candidates.size() - i)]);
    const auto& [path, size] = candidates[i];
    // In turn: in place at the start, resized larger, in place at the end,
    // resized smaller.
    const bool done = i % 2 == 0 ? ChangeInPlace(path, size, i % 4 == 0, random)
                                 : Resize(path, size, i % 4 == 1, random);
    if (!done) return Fail(path, std::strerror(errno));
    if (i % 4 == 1) ++grown;
    if (i % 4 == 3) ++shrunk;
  }
  std::printf("changed %zu of %zu files: %zu in place, %zu grown, %zu shrunk\n",
              changes, count, changes - grown - shrunk, grown, shrunk);
  return 0;
}

// Blocks of media, level data, media and script text in turn.
int MakeLargeFile(const std::string& path, double mebibytes, uint64_t seed) {
  constexpr std::array<Content, 4> kTurns = {Content::kImage, Content::kLevel,
                                             Content::kSound, Content::kScript};
  Random random(seed);
  FILE* file = std::fopen(path.c_str(), "wbx");
  if (file == nullptr) return Fail(path, std::strerror(errno));
  const auto size = static_cast<uint64_t>(mebibytes * static_cast<double>(kMiB));
  std::string block;
  bool written = true;
  for (uint64_t done = 0, turn = 0; written && done < size; done += block.size(), ++turn) {
    block.clear();
    AppendContent(kTurns[turn % kTurns.size()],
                  std::min<uint64_t>(kBlockBytes, size - done), random, &block);
    written = std::fwrite(block.data(), 1, block.size(), file) == block.size();
  }
  if (std::fclose(file) != 0 || !written) return Fail(path, std::strerror(errno));
  return 0;
}

}  // namespace
}  // namespace varnok

int main(int argc, char** argv) {
  using namespace varnok;
  CLI::App app("Writes and changes game-like asset trees for benchmarks.",
               "make_corpus");
  app.require_subcommand(1);
  std::string path;
  size_t files = 3000;
  double mebibytes = 200;
  double percent = 1;
  uint64_t seed = 1;

  CLI::App* tree = app.add_subcommand("tree", "Write a new tree of assets");
  tree->add_option("FOLDER", path, "The folder to create")->required();
  tree->add_option("--files", files, "How many files")
      ->capture_default_str()->check(CLI::Range(1, 65535));
  tree->add_option("--mib", mebibytes, "Their size in all, in MiB")
      ->capture_default_str()->check(CLI::PositiveNumber);
  tree->add_option("--seed", seed, "Seed of the names and bytes")->capture_default_str();

  CLI::App* change = app.add_subcommand("change", "Change some files of a tree");
  change->add_option("FOLDER", path, "The tree's folder")->required();
  change->add_option("--percent", percent, "Share of the files to change")
      ->capture_default_str()->check(CLI::Range(0.0, 100.0));
  change->add_option("--seed", seed, "Seed of the choice and the changes")
      ->capture_default_str();

  CLI::App* file = app.add_subcommand("file", "Write one large file");
  file->add_option("PATH", path, "The file to create")->required();
  file->add_option("--mib", mebibytes, "Its size in MiB")
      ->required()->check(CLI::PositiveNumber);
  file->add_option("--seed", seed, "Seed of the bytes")->capture_default_str();

  size_t bytes = 1536;
  CLI::App* texts = app.add_subcommand("texts", "Write a tree of small text files");
  texts->add_option("FOLDER", path, "The folder to create")->required();
  texts->add_option("--files", files, "How many files")
      ->capture_default_str()->check(CLI::Range(1, 65535));
  texts->add_option("--bytes", bytes, "Their usual size")
      ->capture_default_str()->check(CLI::Range(16, 1 << 20));
  texts->add_option("--seed", seed, "Seed of the names and bytes")->capture_default_str();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : 2;
  }
  if (tree->parsed()) return MakeTree(path, files, mebibytes, seed);
  if (change->parsed()) return ChangeTree(path, percent, seed);
  if (texts->parsed()) return MakeTexts(path, files, bytes, seed);
  return MakeLargeFile(path, mebibytes, seed);
}
