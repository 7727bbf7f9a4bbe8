#pragma once
// The command-line options the program answers by itself, before any window, lock or data
// folder exists.

#include <QStringList>
#include <QTextStream>
#include <optional>

namespace CommandLine {

// Answers --help and --version on `out`, and an unknown option ("--" and a name) with a short
// message on `err`, and returns the exit status; nothing when the arguments (after the
// program's name) are for the agent itself.
std::optional<int> answerAlone(const QStringList& arguments, QTextStream& out, QTextStream& err);
// The same for main's arguments, on standard output and standard error.
std::optional<int> answerAlone(int argc, char** argv);

}  // namespace CommandLine
