#include "cli/usage.h"

#include <algorithm>
#include <utility>

#include "base/messages.h"

namespace varnok {
namespace {

std::string_view WithoutDashes(std::string_view word) {
  return word.substr(std::min(word.find_first_not_of('-'), word.size()));
}

// The edits that turn a into b: characters added, left out, changed, or
// swapped with their neighbour (the optimal string alignment distance).
size_t EditDistance(std::string_view a, std::string_view b) {
  // rows[i][j]: the distance between a's first i and b's first j bytes.
  std::vector<std::vector<size_t>> rows(a.size() + 1,
                                        std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); ++i) rows[i][0] = i;
  for (size_t j = 0; j <= b.size(); ++j) rows[0][j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    for (size_t j = 1; j <= b.size(); ++j) {
      size_t& d = rows[i][j];
      d = std::min({rows[i - 1][j] + 1, rows[i][j - 1] + 1,
                    rows[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1)});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
        d = std::min(d, rows[i - 2][j - 2] + 1);
      }
    }
  }
  return rows[a.size()][b.size()];
}

// "TEXT: WORD", and " (did you mean NEAREST?)" when one of candidates is.
std::string Unknown(const char* text, const std::string& word,
                    std::string_view name,
                    const std::vector<std::string>& candidates) {
  std::string line = std::string(text) + ": " + word;
  if (const std::optional<std::string> nearest = NearestWord(name, candidates)) {
    line += std::string(" (") + messages::kDidYouMean + " " + *nearest + "?)";
  }
  return line;
}

// An argument that app or the command it chose left over, and which of
// them.
struct LeftOver {
  std::string argument;
  const CLI::App* parser;
};

// What app and the command it chose left over, in the order of arguments
// (where the parser split an argument, its part goes last).
std::vector<LeftOver> LeftOvers(const CLI::App& app,
                                const std::vector<std::string>& arguments) {
  std::vector<std::pair<size_t, LeftOver>> found;
  std::vector<bool> taken(arguments.size());
  std::vector<const CLI::App*> parsers = {&app};
  for (const CLI::App* command : app.get_subcommands()) {
    parsers.push_back(command);
  }
  for (const CLI::App* parser : parsers) {
    for (const std::string& argument : parser->remaining()) {
      size_t at = 1;
      while (at < arguments.size() && (taken[at] || arguments[at] != argument)) {
        ++at;
      }
      if (at < arguments.size()) taken[at] = true;
      found.push_back({at, {argument, parser}});
    }
  }
  std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
    return a.first < b.first;
  });
  std::vector<LeftOver> leftOvers;
  for (auto& [at, leftOver] : found) leftOvers.push_back(std::move(leftOver));
  return leftOvers;
}

// The options of command as they are written: "--level", "-j".
std::vector<std::string> OptionWords(const CLI::App& command) {
  std::vector<std::string> words;
  for (const CLI::Option* option : command.get_options()) {
    for (const std::string& name : option->get_lnames()) words.push_back("--" + name);
    for (const std::string& name : option->get_snames()) words.push_back("-" + name);
  }
  return words;
}

}  // namespace

std::optional<std::string> UnknownCommand(
    const CLI::App& app, const std::vector<std::string>& arguments) {
  if (arguments.size() < 2 || arguments[1].empty() ||
      arguments[1][0] == '-') {
    return std::nullopt;
  }
  std::vector<std::string> commands;
  for (const CLI::App* command : app.get_subcommands({})) {
    if (command->get_name() == arguments[1]) return std::nullopt;
    commands.push_back(command->get_name());
  }
  return Unknown(messages::kUnknownCommand, arguments[1], arguments[1],
                 commands);
}

std::optional<std::string> UnknownOption(
    const CLI::App& app, const std::vector<std::string>& arguments) {
  for (const LeftOver& leftOver : LeftOvers(app, arguments)) {
    const std::string& argument = leftOver.argument;
    if (argument.size() < 2 || argument[0] != '-' || argument == "--") {
      continue;
    }
    // "--levle=3" is the option --levle.
    const std::string_view name =
        std::string_view(argument).substr(0, argument.find('='));
    return Unknown(messages::kUnknownOption, argument, name,
                   OptionWords(*leftOver.parser));
  }
  return std::nullopt;
}

std::optional<std::string> UnexpectedArguments(
    const CLI::App& app, const std::vector<std::string>& arguments) {
  const std::vector<LeftOver> leftOvers = LeftOvers(app, arguments);
  if (leftOvers.empty()) return std::nullopt;
  std::string line = leftOvers.size() == 1 ? messages::kUnexpectedArgument
                                           : messages::kUnexpectedArguments;
  line += ":";
  for (const LeftOver& leftOver : leftOvers) line += " " + leftOver.argument;
  return line;
}

std::optional<std::string> NearestWord(
    std::string_view word, const std::vector<std::string>& candidates) {
  const size_t allowed = WithoutDashes(word).size() / 3;
  std::optional<std::string> nearest;
  size_t best = allowed + 1;
  for (const std::string& candidate : candidates) {
    const size_t distance =
        EditDistance(WithoutDashes(word), WithoutDashes(candidate));
    if (distance < best) {
      best = distance;
      nearest = candidate;
    }
  }
  return nearest;
}

}  // namespace varnok
