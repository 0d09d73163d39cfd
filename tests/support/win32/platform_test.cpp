#include "tests/support/platform_test.h"

#include <windows.h>
// After windows.h, which it builds on.
#include <tlhelp32.h>

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "platform/win32/system_text.h"
#include "platform/win32/unique_handle.h"

namespace varnok::test {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::wstring Wide(const std::string& utf8) {
  std::optional<std::wstring> wide = ToWide(utf8);
  if (!wide) throw std::runtime_error("not UTF-8: " + utf8);
  return *wide;
}

// arg quoted so that the program's C library reads it back as it is:
// backslashes double only before a quote, which is escaped.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    return arg;
  }
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted.push_back(c);
  }
  quoted.append(2 * backslashes, L'\\');
  quoted.push_back(L'"');
  return quoted;
}

// A file the child writes its output to, inherited by it.
UniqueHandle OutputFile(const std::string& path) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  UniqueHandle file(::CreateFileW(Wide(path).c_str(), GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  nullptr));
  if (!file.valid()) throw std::runtime_error("can't create " + path);
  return file;
}

}  // namespace

bool OnWindows() { return true; }

std::string NoSuchFileReason() { return ErrorText(ERROR_FILE_NOT_FOUND); }
std::string NoSuchFolderReason() { return ErrorText(ERROR_PATH_NOT_FOUND); }
std::string NotAFolderReason() { return ErrorText(ERROR_DIRECTORY); }

std::string LockedFileReason() { return ErrorText(ERROR_SHARING_VIOLATION); }

unsigned AnsiCodePage() { return ::GetACP(); }

bool CanMakeSymbolicLinks(const std::filesystem::path& folder) {
  const std::wstring target = (folder / "link-probe-target").wstring();
  const std::wstring link = (folder / "link-probe").wstring();
  UniqueHandle(::CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ::CreateSymbolicLinkW(link.c_str(), target.c_str(),
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
  const DWORD attributes = ::GetFileAttributesW(link.c_str());
  const bool made = attributes != INVALID_FILE_ATTRIBUTES &&
                    (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  ::DeleteFileW(link.c_str());
  ::DeleteFileW(target.c_str());
  return made;
}

std::vector<std::string> SystemListing(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data;
  const HANDLE find = ::FindFirstFileW(Wide(folder + "\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = ToUtf8(data.cFileName);
    if (name != "." && name != "..") names.push_back(name);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

bool SetLastWriteTime(const std::string& path, uint64_t fileTime) {
  const UniqueHandle file(::CreateFileW(
      Wide(path).c_str(), FILE_WRITE_ATTRIBUTES,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(fileTime);
  time.dwHighDateTime = static_cast<DWORD>(fileTime >> 32);
  return file.valid() && ::SetFileTime(file.get(), nullptr, nullptr, &time);
}

size_t ThreadCount() {
  const UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  if (!snapshot.valid()) return 0;
  THREADENTRY32 thread = {};
  thread.dwSize = sizeof thread;
  size_t count = 0;
  for (BOOL more = ::Thread32First(snapshot.get(), &thread); more;
       more = ::Thread32Next(snapshot.get(), &thread)) {
    if (thread.th32OwnerProcessID == ::GetCurrentProcessId()) ++count;
  }
  return count;
}

std::vector<int> AllowedProcessors() {
  DWORD_PTR process = 0;
  DWORD_PTR system = 0;
  std::vector<int> processors;
  if (!::GetProcessAffinityMask(::GetCurrentProcess(), &process, &system)) {
    return processors;
  }
  for (int cpu = 0; cpu < 64; ++cpu) {
    if ((process >> cpu) & 1) processors.push_back(cpu);
  }
  return processors;
}

bool AllowProcessors(const std::vector<int>& processors) {
  DWORD_PTR mask = 0;
  for (int cpu : processors) mask |= DWORD_PTR{1} << cpu;
  return ::SetProcessAffinityMask(::GetCurrentProcess(), mask) != 0;
}

bool MakeFifo(const std::string&) { return false; }
bool MakeSocket(const std::string&) { return false; }
bool MakeNullDevice(const std::string&) { return false; }
unsigned SetFileCreationMask(unsigned) { return 0; }
std::string MakeTooDeepFolders(const std::string&) { return std::string(); }
void RemoveTooDeepFolders(const std::string&) {}

ChildResult RunInChild(const std::function<int()>&, const ChildOptions&) {
  throw std::runtime_error("Windows has no fork");
}

ExclusiveFile::ExclusiveFile(const std::string& path) {
  const HANDLE file =
      ::CreateFileW(Wide(path).c_str(), GENERIC_READ, 0, nullptr,
                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file != INVALID_HANDLE_VALUE) handle_ = file;
}

ExclusiveFile::~ExclusiveFile() {
  if (handle_ != nullptr) ::CloseHandle(handle_);
}

ChildResult RunProgram(const std::string& program,
                       const std::vector<std::string>& args,
                       const ChildOptions& options, bool stderrTerminal) {
  if (stderrTerminal || options.unprivileged || options.fileSizeLimit != 0 ||
      options.maxOpenFiles != 0 || options.terminalColumns != 0 ||
      !options.environment.empty()) {
    throw std::runtime_error("not on Windows: a terminal, a user, a limit");
  }
  // Output not sent elsewhere passes through files beside the temporary
  // folder's others.
  const std::string scratch =
      (std::filesystem::temp_directory_path() /
       ("varnok-program-" + std::to_string(::GetCurrentProcessId()) + "-" +
        std::to_string(::GetTickCount64())))
          .string();
  const std::string outPath =
      options.stdoutPath.empty() ? scratch + ".out" : options.stdoutPath;
  const std::string errPath =
      options.stderrPath.empty() ? scratch + ".err" : options.stderrPath;
  ChildResult result;
  {
    const UniqueHandle out = OutputFile(outPath);
    const UniqueHandle err = OutputFile(errPath);
    std::wstring commandLine = Quoted(Wide(program));
    for (const std::string& arg : args) commandLine += L" " + Quoted(Wide(arg));

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    UniqueHandle in;
    if (!options.stdinPath.empty()) {
      SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
      in.reset(::CreateFileW(Wide(options.stdinPath).c_str(), GENERIC_READ,
                             FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!in.valid()) {
        throw std::runtime_error("can't open " + options.stdinPath);
      }
    }
    startup.hStdInput =
        in.valid() ? in.get() : ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process = {};
    const std::wstring cwd = options.cwd.wstring();
    if (!::CreateProcessW(Wide(program).c_str(), commandLine.data(), nullptr,
                          nullptr, TRUE, 0, nullptr,
                          cwd.empty() ? nullptr : cwd.c_str(), &startup,
                          &process)) {
      throw std::runtime_error("can't start " + program + ": " +
                               LastErrorText());
    }
    const UniqueHandle child(process.hProcess);
    ::CloseHandle(process.hThread);
    const DWORD wait = options.killAfter.count() > 0
                           ? static_cast<DWORD>(options.killAfter.count())
                           : INFINITE;
    if (::WaitForSingleObject(child.get(), wait) == WAIT_TIMEOUT) {
      // As SIGKILL would: nothing of the program's own runs after it.
      ::TerminateProcess(child.get(), 128 + 9);
      result.killed = true;
    }
    DWORD code = 0;
    if (::WaitForSingleObject(child.get(), INFINITE) != WAIT_OBJECT_0 ||
        !::GetExitCodeProcess(child.get(), &code)) {
      throw std::runtime_error("can't wait for " + program);
    }
    result.exitCode = static_cast<int>(code);
  }
  if (options.stdoutPath.empty()) {
    result.out = ReadFile(outPath);
    std::filesystem::remove(outPath);
  }
  if (options.stderrPath.empty()) {
    result.err = ReadFile(errPath);
    std::filesystem::remove(errPath);
  }
  return result;
}

}  // namespace varnok::test
