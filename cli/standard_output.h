// kzf's standard output. Every command prints its results through one, so
// that output that can't be written (a full disk, a closed pipe) fails the
// command instead of vanishing: "kzf: Can't write output: REASON", exit 1.
// The text goes out through the console layer (platform/console.h), which
// shows every name as it is on a Windows console.

#ifndef VARNOK_CLI_STANDARD_OUTPUT_H_
#define VARNOK_CLI_STANDARD_OUTPUT_H_

#include <string>
#include <string_view>

namespace varnok {

class StandardOutput {
 public:
  // Writes text; once a write has failed, nothing more is tried.
  void Print(std::string_view text);
  // False once a write has failed.
  bool ok() const { return failure_.empty(); }
  // Writes out what is buffered. True when every byte reached standard
  // output; otherwise shows the failure on stderr and returns false.
  bool Finish();

 private:
  std::string failure_;  // the system's reason, once a write failed
};

}  // namespace varnok

#endif  // VARNOK_CLI_STANDARD_OUTPUT_H_
