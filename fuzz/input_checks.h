// Checks of the promises that the archive reader and the extraction name
// check make, run on one untrusted input.
//
// The fuzz targets call them on every generated input and abort on a broken
// promise; the test suite calls the very same checks on the inputs kept under
// tests/fuzz/regressions/. A check returns an empty string when every promise
// held, otherwise a sentence naming the first one broken. A reader that
// crashes or over-reads is left to the sanitizers.

#ifndef VARNOK_FUZZ_INPUT_CHECKS_H_
#define VARNOK_FUZZ_INPUT_CHECKS_H_

#include <string>
#include <string_view>

namespace varnok::fuzz {

// Opens bytes as an archive (through one file per process, in memory where
// the system has /dev/shm, rewritten for each input), lists it, verifies it
// and streams every entry, checking that:
// - a failed Open leaves no entries and gives one of the reader's messages
//   with the archive's path as its detail and a reason;
// - an opened archive's entries hold their data inside the file, back to back
//   up to its end, and FindEntry finds their names;
// - VerifyEntry and ReadEntry agree on every entry, and with a separate
//   judgement of its data (CRC-32, and a zlib stream inflating to exactly
//   its size); VerifyAll agrees with them; a failure is a damaged entry,
//   never a read past the file;
// - a successful ReadEntry hands on exactly the record's size in bytes: a
//   stored entry's held bytes, a deflated entry's bytes whose Adler-32 is the
//   one at the end of its zlib stream;
// - the C library, given the same bytes in memory, opens exactly what the
//   reader opens (else fails with the reader's message, naming the archive
//   in memory, and leaves no handle), lists the same entries, finds their
//   names, and agrees with the reader on every entry's soundness, read
//   whole, in pieces and after a seek, and on its bytes.
std::string CheckArchiveInput(std::string_view bytes);

// Runs CheckExtractName on name and checks that it accepts exactly the names
// a separate model of the rule accepts (non-empty, no zero byte, relative, no
// ".." component, a last component other than "" and ".", every component
// one this system takes), and refuses the others as unsafe, with the name as
// detail and a reason.
std::string CheckNameInput(std::string_view name);

// For the fuzz targets: prints fault and aborts when it is not empty.
void AbortOnFault(const std::string& fault, std::string_view input);

}  // namespace varnok::fuzz

#endif  // VARNOK_FUZZ_INPUT_CHECKS_H_
