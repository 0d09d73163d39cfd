// libFuzzer target: each input is a stored name, given to the extraction
// name check and compared with a model of its rule (see input_checks.h).

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/input_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  varnok::fuzz::AbortOnFault(varnok::fuzz::CheckNameInput(input), input);
  return 0;
}
