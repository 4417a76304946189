// kelp-cli simulate: writes the card of a simulated deployment (DATA0.ORV, DATA1.ORV, ...)
// and truth.json, the list of every synthetic train.
#include <memory>

#include "cli/registry.h"
#include "simulator/logger_simulator.h"

namespace kelp::cli {
namespace {

constexpr const char* SimulateHelp = R"(Scenarios:
  porpoise  porpoise-like trains (120-145 kHz, narrow band, 10-25 cycles, intervals 30-200 ms, some buzzes)
  dolphin   dolphin trains (30-110 kHz broadband, 2-8 cycles, intervals 5-150 ms)
  mixed     porpoises, dolphins, now and then a boat sonar, moderate background
  noisy     heavy snapping-shrimp background with bursts, a few trains
  sonar     frequent boat echo sounders (50 or 130 kHz, fixed rate, 100-300 cycles)
  empty     minute markers only
Loud clicks get multipath echoes 0.1-0.9 ms later; temperature and tilt vary slowly.
--defect (repeatable): jump:MINUTE:BY (stored minute numbers off by BY from MINUTE on),
  disorder:MINUTE (one click written before its predecessor), prestart:COUNT (clicks before the
  first marker), blanks:MINUTE:COUNT (erased records inside the data), flood:MINUTE:COUNT (extra
  clicks spread over the minute, whatever the click limit).
truth.json lists every train with at least one recorded click: id, kind, minute (ordinal of the
minute marker, 1 for the first) and first_time, last_minute and last_time (5 us ticks within the
minute), clicks (recorded, echoes not counted), echoes, buzz, kHz, first_ici_ms.
Output lines: "file<TAB>path" per data file, then minutes, clicks, trains, stream_bytes,
blocks_logged, limit_minutes and truth.)";

struct SimulateArgs {
    SimulationOptions Options;
    int ClickLimit = 4096;
    int ErasedValue = 255;
    std::vector<std::string> Defects;
};

int RunSimulate(Context& ctx, SimulateArgs& args) {
    SimulationOptions& o = args.Options;
    switch (args.ClickLimit) {
    case 0:
        o.ClickLimitCode = 0;
        break;
    case 1024:
        o.ClickLimitCode = 1;
        break;
    case 4096:
        o.ClickLimitCode = 2;
        break;
    case 65536:
        o.ClickLimitCode = 3;
        break;
    default:
        *ctx.err << "--click-limit must be 0 (none), 1024, 4096 or 65536\n";
        return ExitUsage;
    }
    if (args.ErasedValue != 0 && args.ErasedValue != 255) {
        *ctx.err << "--erased-value must be 0 or 255\n";
        return ExitUsage;
    }
    o.ErasedValue = static_cast<std::uint8_t>(args.ErasedValue);
    o.Defects.clear();
    for (const auto& text : args.Defects) {
        SimulatedDefect d;
        std::string error;
        if (!ParseSimulatedDefect(text, d, error)) {
            *ctx.err << error << '\n';
            return ExitUsage;
        }
        o.Defects.push_back(d);
    }
    const std::string problem = CheckSimulationOptions(o);
    if (!problem.empty()) {
        *ctx.err << problem << '\n';
        return ExitUsage;
    }
    const SimulationResult r = SimulateCard(o);
    if (!r.Ok) {
        *ctx.err << r.Error << '\n';
        return ExitFailure;
    }
    std::ostream& out = *ctx.out;
    for (const auto& f : r.Files) out << "file\t" << f << '\n';
    out << "minutes\t" << r.Minutes << '\n';
    out << "clicks\t" << r.Clicks << '\n';
    out << "trains\t" << r.Trains << '\n';
    out << "stream_bytes\t" << r.StreamBytes << '\n';
    out << "blocks_logged\t" << r.BlocksLogged << '\n';
    out << "limit_minutes\t" << r.LimitMinutes << '\n';
    out << "truth\t" << r.TruthFile << '\n';
    return ExitSuccess;
}

CommandRegistrar simulateCommands(40, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("simulate", "Write a simulated logger card and its truth.json");
    cmd->footer(SimulateHelp);
    auto args = std::make_shared<SimulateArgs>();
    SimulationOptions& o = args->Options;
    cmd->add_option("--out", o.OutFolder, "Card folder to write")->required();
    cmd->add_option("--minutes", o.Minutes, "Logged minutes (minute markers)")->required();
    cmd->add_option("--seed", o.Seed, "Random seed; the same seed gives the same card")
        ->capture_default_str();
    cmd->add_option("--logger", o.LoggerNumber, "Logger number")->capture_default_str();
    cmd->add_option("--scenario", o.Scenario, "porpoise, dolphin, mixed, noisy, sonar or empty")
        ->capture_default_str();
    cmd->add_option("--split-bytes", o.SplitBytes, "Largest data file in bytes (0: one file)")
        ->capture_default_str();
    cmd->add_option("--minutes-off", o.MinutesOff, "Duty cycle: 0, 1, 2, 4 or 9 minutes off per minute on")
        ->capture_default_str();
    cmd->add_option("--click-limit", args->ClickLimit,
                    "Clicks logged per minute at most: 0 (none), 1024, 4096, 65536")
        ->capture_default_str();
    cmd->add_option("--start-delay", o.StartDelay, "Start delay in minutes, in the settings area")
        ->capture_default_str();
    cmd->add_flag("--no-summary", o.NoSummary, "Card taken out before the logging summary was written");
    cmd->add_option("--erased-tail", o.ErasedTailBytes, "Erased bytes after the data")->capture_default_str();
    cmd->add_option("--erased-value", args->ErasedValue, "Value of erased bytes, 255 or 0")
        ->capture_default_str();
    cmd->add_option("--defect", args->Defects, "Injected defect (repeatable; see below)");
    cmd->add_option("--activity", o.Activity, "Multiplies the rates of encounters and boats")
        ->capture_default_str();
    cmd->add_option("--shrimp-rate", o.ShrimpPerMinute,
                    "Background clicks per minute (default: the scenario's)");
    cmd->add_option("--year-made", o.YearMade, "Year the logger was made")->capture_default_str();
    cmd->callback([&ctx, args] { ctx.exitCode = RunSimulate(ctx, *args); });
});

} // namespace
} // namespace kelp::cli
