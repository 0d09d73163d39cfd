// The converters between the program's UTF-8 and the system's UTF-16.

#include "platform/win32/system_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace varnok {
namespace {

TEST(SystemTextTest, NamesConvertStrictlyAndShownTextWithReplacements) {
  const struct {
    std::string utf8;
    std::optional<std::wstring> name;  // ToWide: what the system is given
    std::wstring shown;                // ToWideText
  } cases[] = {
      {"", L"", L""},
      {"caf\xc3\xa9.txt", L"caf\u00e9.txt", L"caf\u00e9.txt"},
      {"\xf0\x9f\x8e\xae", L"\U0001F3AE", L"\U0001F3AE"},  // a surrogate pair
      // A byte that is no UTF-8 (Latin-1 "é"), or a sequence cut short.
      {"caf\xe9.txt", std::nullopt, L"caf\uFFFD.txt"},
      {"a\xc3", std::nullopt, L"a\uFFFD"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.utf8);
    EXPECT_EQ(ToWide(c.utf8), c.name);
    EXPECT_EQ(ToWideText(c.utf8), c.shown);
    if (c.name) EXPECT_EQ(ToUtf8(*c.name), c.utf8);
  }
  // A name with an unpaired surrogate, which UTF-8 can't spell.
  EXPECT_EQ(ToUtf8(std::wstring(L"a") + wchar_t(0xD800) + L"b"),
            "a\xef\xbf\xbd" "b");
}

}  // namespace
}  // namespace varnok
