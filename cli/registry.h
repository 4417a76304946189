#pragma once
// Sub-commands of kelp-cli register themselves here, each from its own file.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "core/headless_host.h"
#include "core/program.h"

namespace kelp::cli {

class TerminalConsole;

// Exit statuses: 0 success, 1 the operation failed, 2 bad usage.
inline constexpr int ExitSuccess = 0;
inline constexpr int ExitFailure = 1;
inline constexpr int ExitUsage = 2;

struct Context {
    Program program;
    HeadlessHost host;
    std::ostream* out = nullptr; // the results page and listings
    std::ostream* err = nullptr; // messages
    int exitCode = ExitSuccess;
    TerminalConsole* Console = nullptr; // the terminal of a real run; none in-process
    bool Quiet = false;                 // --quiet: no progress bar
};

// Ctrl+C stopped the operation early (at a point where it looks for a stop): a command
// writes no output of it. An operation that ran to its end despite Ctrl+C reports as usual.
bool StoppedByUser(const Context& context);

using CommandSetup = std::function<void(CLI::App& app, Context& context)>;

struct CommandRegistrar {
    CommandRegistrar(int order, CommandSetup setup);
};

// Adds every registered sub-command to `app`, in their order.
void AddRegisteredCommands(CLI::App& app, Context& context);

// Runs kelp-cli with the given arguments; returns the exit status.
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err, TerminalConsole* console);

// Runs kelp-cli as the program: on stdout and stderr, with the progress bar while stderr is a
// terminal, and Ctrl+C to stop.
int RunCliOnTerminal(int argc, char** argv);

// Writes the results page's lines to the context's output, one line per line.
void PrintResults(Context& context);

} // namespace kelp::cli
