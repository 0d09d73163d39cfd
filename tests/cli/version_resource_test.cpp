// kzf.exe's version information, read back as Properties, Details reads it:
// it must name the version the program itself reports.

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "base/version.h"

namespace varnok {
namespace {

// The version resource of the program at path, empty when it has none.
std::vector<char> VersionResource(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
  std::vector<char> data(size);
  if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
    data.clear();
  }
  return data;
}

// The string value name of the U.S. English table; empty when missing.
std::string StringValue(std::vector<char>& resource, const std::wstring& name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring key = L"\\StringFileInfo\\040904B0\\" + name;
  if (!::VerQueryValueW(resource.data(), key.c_str(), &value, &length) ||
      length == 0) {
    return {};
  }
  const std::wstring wide(static_cast<const wchar_t*>(value), length - 1);
  return std::string(wide.begin(), wide.end());  // ASCII values only
}

TEST(VersionResourceTest, NamesTheProgramsVersion) {
  const std::string path = KZF_PATH;
  std::vector<char> resource =
      VersionResource(std::wstring(path.begin(), path.end()));
  ASSERT_FALSE(resource.empty()) << path << " has no version information";

  void* value = nullptr;
  UINT length = 0;
  ASSERT_TRUE(::VerQueryValueW(resource.data(), L"\\", &value, &length));
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
  const std::string numbers =
      std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
      std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
      std::to_string(HIWORD(fixed->dwFileVersionLS));
  EXPECT_EQ(numbers, kVersion);
  EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
  EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);

  const struct {
    const wchar_t* name;
    std::string expected;
  } strings[] = {
      {L"FileVersion", kVersion},
      {L"ProductVersion", kVersion},
      {L"ProductName", "Varnok"},
      {L"OriginalFilename", "kzf.exe"},
  };
  for (const auto& string : strings) {
    EXPECT_EQ(StringValue(resource, string.name), string.expected)
        << std::string(string.name, string.name + wcslen(string.name));
  }
  EXPECT_FALSE(StringValue(resource, L"FileDescription").empty());
  EXPECT_FALSE(StringValue(resource, L"LegalCopyright").empty());
}

}  // namespace
}  // namespace varnok
