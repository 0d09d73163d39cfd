// How varnok.exe, a program without a console of its own, answers --help,
// --version and a wrong command line.

#ifndef VARNOK_UI_WIN32_COMMAND_LINE_ANSWER_H_
#define VARNOK_UI_WIN32_COMMAND_LINE_ANSWER_H_

#include <string>

namespace varnok {

// Writes out to standard output and err to standard error where those lead
// to a file or a pipe; what no such stream takes goes to the console of the
// program that started this one, if it has one, and else into a message box
// (an error's when err is not empty) that waits for OK.
void ShowCommandLineAnswer(const std::string& out, const std::string& err);

}  // namespace varnok

#endif  // VARNOK_UI_WIN32_COMMAND_LINE_ANSWER_H_
