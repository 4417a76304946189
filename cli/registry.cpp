#include "cli/registry.h"

#include <algorithm>
#include <iostream>

#include "cli/terminal_console.h"
#include "kelp_version.h"

namespace kelp::cli {

namespace {
std::vector<std::pair<int, CommandSetup>>& Registry() {
    static std::vector<std::pair<int, CommandSetup>> commands;
    return commands;
}
} // namespace

CommandRegistrar::CommandRegistrar(int order, CommandSetup setup) {
    Registry().emplace_back(order, std::move(setup));
}

void AddRegisteredCommands(CLI::App& app, Context& context) {
    auto commands = Registry();
    std::stable_sort(commands.begin(), commands.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [order, setup] : commands) setup(app, context);
}

void PrintResults(Context& context) {
    for (const auto& line : context.host.Results().Lines()) *context.out << line << '\n';
    context.host.Results().Clear();
}

bool StoppedByUser(const Context& context) {
    return context.Console && context.Console->StopTaken();
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    return RunCli(argc, argv, out, err, nullptr);
}

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err, TerminalConsole* console) {
    Context context;
    context.out = &out;
    context.err = &err;
    context.host.Echo = &err;
    context.Console = console;
    CLI::App app{"kelp-cli: the KELP desktop program's operations from the command line.\n"
                 "Results go to stdout as tab-separated lines, messages to stderr.\n"
                 "Long operations show their progress on stderr while it is a terminal;\n"
                 "Ctrl+C stops them as ESC does in the window, and no half-written file is left.\n"
                 "Exit status: 0 success, 1 the operation failed or was stopped, 2 bad usage.",
                 "kelp-cli"};
    app.require_subcommand(1);
    app.fallthrough();
    app.set_version_flag("--version", std::string("kelp-cli ") + KelpVersion, "Print the version and exit");
    app.add_flag_callback(
        "--quiet",
        [&context] {
            context.Quiet = true;
            if (context.Console) context.Console->SetQuiet(true);
        },
        "No progress bar on the terminal");
    AddRegisteredCommands(app, context);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int status = app.exit(e, out, err);
        return status == 0 ? ExitSuccess : ExitUsage;
    } catch (const std::exception& e) {
        err << "Error: " << e.what() << '\n';
        return ExitFailure;
    }
    if (StoppedByUser(context)) {
        err << "Stopped by Ctrl+C.\n";
        return context.exitCode == ExitSuccess ? ExitFailure : context.exitCode;
    }
    return context.exitCode;
}

} // namespace kelp::cli
