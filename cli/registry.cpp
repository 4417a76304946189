#include "cli/registry.h"

#include <algorithm>
#include <iostream>

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

int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err) {
    Context context;
    context.out = &out;
    context.err = &err;
    context.host.Echo = &err;
    CLI::App app{"kelp-cli: the KELP desktop program's operations from the command line.\n"
                 "Results go to stdout as tab-separated lines, messages to stderr.\n"
                 "Exit status: 0 success, 1 the operation failed, 2 bad usage."};
    app.require_subcommand(1);
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
    return context.exitCode;
}

} // namespace kelp::cli
