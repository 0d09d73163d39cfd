// What kzf says of a command line it can't take, where the parser's own
// words would mislead: a command or an option that it does not know, named
// as it was written, with the nearest one it knows when one is near enough
// to be what was meant ("Unknown option: --levle (did you mean --level?)").

#ifndef VARNOK_CLI_USAGE_H_
#define VARNOK_CLI_USAGE_H_

#include <CLI/CLI.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnok {

// When arguments (the program's name first) start with a word that is no
// option and names none of app's commands: "Unknown command: WORD", with
// the nearest command suggested.
std::optional<std::string> UnknownCommand(
    const CLI::App& app, const std::vector<std::string>& arguments);

// After app failed to parse arguments (the program's name first): when app,
// or the command it chose, was given an argument that looks like an option
// ("-x", "--xyz") and that none of its options took, "Unknown option:
// ARGUMENT" for the first such, with the nearest option of that command
// suggested. An unknown option explains whatever else went wrong after it.
std::optional<std::string> UnknownOption(
    const CLI::App& app, const std::vector<std::string>& arguments);

// After app failed to parse arguments: "Unexpected argument: A", or
// "Unexpected arguments: A B ...", for the arguments that nothing took, in
// the order they were given; nothing when there are none.
std::optional<std::string> UnexpectedArguments(
    const CLI::App& app, const std::vector<std::string>& arguments);

// The candidate nearest to word, when it is near enough to be what was
// meant: a third of word's characters or fewer (leading dashes aside) need
// to be added, left out, changed or swapped with their neighbour to make
// it. The first of the nearest, in candidates' order; nothing when none is
// near enough.
std::optional<std::string> NearestWord(
    std::string_view word, const std::vector<std::string>& candidates);

}  // namespace varnok

#endif  // VARNOK_CLI_USAGE_H_
