#pragma once
// kelp-cli export --batch: "Export from batch of files" over any number of files, and the
// part files of a batch spread over many processes (--part N/COUNT), which kelp-cli merge joins.
#include <string>
#include <vector>

#include <CLI/CLI.hpp>

#include "cli/registry.h"

namespace kelp::cli {

struct BatchExportOptions {
    bool On = false;  // --batch
    int Jobs = 1;     // --jobs
    std::string Part; // --part N/COUNT
};

// Adds --batch, --jobs and --part to the export command.
void AddBatchExportOptions(CLI::App* command, BatchExportOptions& options);

// The batch export of `files`, after the export page's settings and the filters have been
// taken from the other options. `outputs`: the -o names; `oneFile`: --one-file; `otherMode`:
// an option that has no batch form (--tidy, --files) was given.
int RunExportBatch(Context& ctx, const BatchExportOptions& options, const std::vector<std::string>& files,
                   const std::vector<std::string>& outputs, bool oneFile, bool otherMode);

} // namespace kelp::cli
