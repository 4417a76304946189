#pragma once
// The filter options shared by every kelp-cli command that reads clicks:
//
//   FilterOptions filters;                      // kept alive with the command (e.g. a shared_ptr)
//   AddFilterOptions(cmd, filters);
//   ...in the callback, before opening files:
//   if (!ApplyFilterOptions(filters, ctx.program, ctx.host)) return ExitUsage;
//
// Defaults are the program's start-up settings: no click filters, "Hi" and "Mod"
// ticked, "Lo" and "?" not, all species ticked, no minute limit.
#include <string>

#include <CLI/CLI.hpp>

#include "core/host.h"
#include "core/program.h"

namespace kelp::cli {

struct FilterOptions {
    std::string Frequency;       // --freq MIN-MAX
    std::string Duration;        // --duration MIN-MAX
    std::string Amplitude;       // --amplitude MIN-MAX
    std::string Envelope;        // --envelope MIN-MAX (envelope slope)
    std::string Bandwidth;       // --bandwidth MIN-MAX
    std::string Weak;            // --weak N
    std::string ClusterStatus;   // --cluster-status MIN[,EXACT]
    bool ClusterBand1 = false;   // --b1
    std::string Quality;         // --quality Hi,Mod,Lo,?
    bool AllQualities = false;   // --all-q
    std::string Species;         // --species porp,dol,other,unclassed,sonar
    bool IgnoreFilters = false;  // --ignore-filters
    std::string MinuteLimit;     // --minute-limit 0|1024|4096|65536
    bool UseEndpoints = false;   // --use-endpoints
    bool RefreshMaps = false;    // --refresh-maps
    bool ShowTimeErrors = false; // --show-time-errors
};

// Adds the filter options to a sub-command (in an option group "Filters").
void AddFilterOptions(CLI::App* command, FilterOptions& options);

// Applies the options to the program as the filter boxes would take them. On a bad
// value it shows a message naming the option and returns false (the command should then
// end with ExitUsage). Call it before opening files: --use-endpoints and --refresh-maps
// act when files are opened and positioned.
bool ApplyFilterOptions(const FilterOptions& options, Program& program, Host& host);

// Gives the program the registered gain of each logger number (for the gain warning
// of the "Settings" text), where the settings subsystem is part of the build.
void InstallRegisteredGains(Program& program);

} // namespace kelp::cli
