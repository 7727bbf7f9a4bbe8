#pragma once
// Arkwell's command line for scripts and terminals: list, run, archives, files, versions and
// restore. It never starts a window; a run is handed to the running agent when there is one.

#include <optional>

namespace CommandLine {

// When the first argument names a command, carries it out and returns the exit status;
// otherwise nothing, and the program starts as usual.
std::optional<int> runCommand(int argc, char** argv);

}  // namespace CommandLine
