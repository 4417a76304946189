#pragma once
// Runs kelp-cli in-process, as the command line would, and keeps what it printed.
#include <sstream>
#include <string>
#include <vector>

#include "cli/registry.h"

namespace kelp {

struct CliResult {
    int Status = -1;
    std::string Out;
    std::string Err;
};

inline CliResult RunKelpCli(std::vector<std::string> args) {
    args.insert(args.begin(), "kelp-cli");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    std::ostringstream out, err;
    const int status = cli::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

} // namespace kelp
