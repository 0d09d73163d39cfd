// libFuzzer target: each input is opened as an archive, listed, verified and
// streamed, and the reader's promises are checked (see input_checks.h).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/input_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  varnok::fuzz::AbortOnFault(varnok::fuzz::CheckArchiveInput(input), input);
  return 0;
}
