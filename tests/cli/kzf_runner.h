// Runs the built kzf program and captures what it prints.

#ifndef VARNOK_TESTS_CLI_KZF_RUNNER_H_
#define VARNOK_TESTS_CLI_KZF_RUNNER_H_

#include <cctype>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/platform_test.h"
#include "tests/support/temp_folder.h"

namespace varnok::test {

using KzfResult = ChildResult;

struct KzfOptions {
  std::filesystem::path cwd;    // the test's own folder when empty
  bool stderrTerminal = false;  // stderr is a pseudo-terminal (POSIX only)
  bool unprivileged = false;    // run by root, kzf runs as nobody (POSIX)
  uint64_t fileSizeLimit = 0;   // bytes a file may grow to; 0: any (POSIX)
  std::string stdoutPath;       // a file to write stdout to, not captured
  std::string stdinPath;        // a file to read as stdin
  unsigned short terminalColumns = 0;  // the terminal's width, when set
  std::chrono::milliseconds killAfter{0};  // killed if running this long
  // Variables set in its environment, name and value (POSIX).
  std::vector<std::pair<std::string, std::string>> environment;
};

// kzf where a user without rights can run it: a copy in a folder of the
// test program's own beneath the system's temporary folder, made at the
// first call and removed when the test program ends. The build's own may be
// out of such a user's reach (a clone in root's home, mode 700).
inline const std::string& ReachableKzf() {
  namespace fs = std::filesystem;
  static const TempFolder folder;
  static const std::string path = [] {
    const fs::path copy = folder.path() / fs::path(KZF_PATH).filename();
    fs::copy_file(KZF_PATH, copy);
    const fs::perms all = fs::perms::owner_all | fs::perms::group_read |
                          fs::perms::group_exec | fs::perms::others_read |
                          fs::perms::others_exec;
    fs::permissions(folder.path(), all);
    fs::permissions(copy, all);
    return copy.string();
  }();
  return path;
}

// Runs kzf with args and waits for its end (see RunProgram); a kzf killed
// by a signal exits with 128 + the signal.
inline KzfResult RunKzf(const std::vector<std::string>& args,
                        const KzfOptions& options = {}) {
  ChildOptions child;
  child.cwd = options.cwd;
  child.unprivileged = options.unprivileged;
  child.fileSizeLimit = options.fileSizeLimit;
  child.stdoutPath = options.stdoutPath;
  child.stdinPath = options.stdinPath;
  child.terminalColumns = options.terminalColumns;
  child.environment = options.environment;
  child.killAfter = options.killAfter;
  return RunProgram(options.unprivileged ? ReachableKzf() : KZF_PATH, args,
                    child, options.stderrTerminal);
}

// The lines of text, without their line ends.
inline std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos;
       start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// The fields of one JSON object of strings and whole numbers, as kzf list
// --json writes it: strings unescaped (to UTF-8), numbers as their digits.
// Throws on anything else.
inline std::map<std::string, std::string> ParseJsonObject(
    const std::string& line) {
  size_t at = 0;
  auto fail = [&] {
    throw std::runtime_error("bad JSON at " + std::to_string(at) + ": " + line);
  };
  auto expect = [&](char c) {
    if (at >= line.size() || line[at] != c) fail();
    ++at;
  };
  auto string = [&] {
    expect('"');
    std::string out;
    while (at < line.size() && line[at] != '"') {
      char c = line[at++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at >= line.size()) fail();
      c = line[at++];
      const std::string simple = "\"\\/bfnrt";
      const std::string meant = "\"\\/\b\f\n\r\t";
      if (simple.find(c) != std::string::npos) {
        out += meant[simple.find(c)];
        continue;
      }
      const auto hex4 = [&] {
        if (at + 4 > line.size()) fail();
        at += 4;
        return static_cast<unsigned>(
            std::stoul(line.substr(at - 4, 4), nullptr, 16));
      };
      if (c != 'u') fail();
      unsigned code = hex4();
      if (code >= 0xD800 && code < 0xDC00) {  // a surrogate pair
        expect('\\');
        expect('u');
        code = 0x10000 + ((code - 0xD800) << 10) + (hex4() - 0xDC00);
      }
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
    }
    expect('"');
    return out;
  };
  std::map<std::string, std::string> fields;
  expect('{');
  while (at < line.size() && line[at] != '}') {
    if (!fields.empty()) expect(',');
    const std::string key = string();
    expect(':');
    if (at < line.size() && line[at] == '"') {
      fields[key] = string();
    } else {
      const size_t start = at;
      while (at < line.size() && std::isdigit(static_cast<unsigned char>(line[at]))) ++at;
      if (at == start) fail();
      fields[key] = line.substr(start, at - start);
    }
  }
  expect('}');
  if (at != line.size()) fail();
  return fields;
}

// The bytes standard base64 text (with padding) stands for.
inline std::string DecodeBase64(const std::string& text) {
  const std::string digits =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  uint32_t group = 0;
  int bits = 0;
  for (char c : text) {
    if (c == '=') break;
    const size_t value = digits.find(c);
    if (value == std::string::npos) throw std::runtime_error("bad base64");
    group = (group << 6) | static_cast<uint32_t>(value);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((group >> bits) & 0xFF);
    }
  }
  return out;
}

}  // namespace varnok::test

#endif  // VARNOK_TESTS_CLI_KZF_RUNNER_H_
