#include "cli/filter_options.h"

#include <sstream>
#include <vector>

#include "core/endpoints.h"
#include "core/filters.h"
#include "settings/gain_table.h"
#include "settings/settings_page.h"

namespace kelp::cli {

namespace {

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::stringstream in(text);
    std::string item;
    while (std::getline(in, item, ',')) {
        if (!item.empty()) items.push_back(item);
    }
    return items;
}

bool Bad(Host& host, const std::string& option, const std::string& value, const std::string& why) {
    host.ShowMessage(option + ": " + why + ": " + value);
    return false;
}

// "MIN-MAX" into the two boxes of a range; either side may be left out to keep its box.
bool ApplyRange(Program& p, Host& host, const std::string& option, const std::string& value, FilterBox minBox,
                FilterBox maxBox) {
    if (value.empty()) return true;
    // The first '-' separates the two: "MIN-MAX", "MIN-" or "-MAX" (no range takes negative values).
    const auto dash = value.find('-');
    if (dash == std::string::npos) return Bad(host, option, value, "expected MIN-MAX");
    const std::string min = value.substr(0, dash);
    const std::string max = value.substr(dash + 1);
    std::int32_t v = 0;
    if ((!min.empty() && !ParseFilterInteger(min, v)) || (!max.empty() && !ParseFilterInteger(max, v)))
        return Bad(host, option, value, "not whole numbers");
    if (!min.empty() && !EnterFilterText(p, host, minBox, min))
        return Bad(host, option, value, "minimum refused");
    if (!max.empty() && !EnterFilterText(p, host, maxBox, max))
        return Bad(host, option, value, "maximum refused");
    return true;
}

bool ApplyQualities(Program& p, Host& host, const std::string& list) {
    if (list.empty()) return true;
    static const char* const names[4] = {"?", "Lo", "Mod", "Hi"};
    std::array<bool, 4> ticked{};
    for (const std::string& item : SplitList(list)) {
        int found = -1;
        for (int q = 0; q < 4; ++q)
            if (item == names[q]) found = q;
        if (found < 0) return Bad(host, "--quality", item, "not one of Hi, Mod, Lo, ?");
        ticked[static_cast<std::size_t>(found)] = true;
    }
    for (int q = 0; q < 4; ++q) SetQualityBox(p, host, q, ticked[static_cast<std::size_t>(q)]);
    return true;
}

bool ApplySpecies(Program& p, Host& host, const std::string& list) {
    if (list.empty()) return true;
    static const char* const names[5] = {"porp", "dol", "other", "unclassed", "sonar"};
    std::array<bool, 5> ticked{};
    for (const std::string& item : SplitList(list)) {
        int found = -1;
        for (int s = 0; s < 5; ++s)
            if (item == names[s]) found = s;
        if (found < 0) return Bad(host, "--species", item, "not one of porp, dol, other, unclassed, sonar");
        ticked[static_cast<std::size_t>(found)] = true;
    }
    for (int s = 0; s < 5; ++s) SetSpeciesBox(p, host, s, ticked[static_cast<std::size_t>(s)]);
    return true;
}

bool ApplyClusterStatus(Program& p, Host& host, const std::string& value) {
    if (value.empty()) return true;
    const auto comma = value.find(',');
    const std::string min = value.substr(0, comma);
    if (!EnterMinClusterStatus(p, host, min))
        return Bad(host, "--cluster-status", value, "not a whole number");
    if (comma != std::string::npos && !EnterExactClusterStatus(p, host, value.substr(comma + 1)))
        return Bad(host, "--cluster-status", value, "not a whole number");
    return true;
}

} // namespace

void AddFilterOptions(CLI::App* command, FilterOptions& o) {
    const std::string group = "Filters";
    command->add_option("--freq", o.Frequency, "Frequency range in kHz, MIN-MAX")->group(group);
    command->add_option("--duration", o.Duration, "Duration range in cycles, MIN-MAX")->group(group);
    command->add_option("--amplitude", o.Amplitude, "Amplitude (SPL) range, MIN-MAX")->group(group);
    command->add_option("--envelope", o.Envelope, "Envelope slope range, MIN-MAX")->group(group);
    command->add_option("--bandwidth", o.Bandwidth, "Bandwidth range, MIN-MAX")->group(group);
    command->add_option("--weak", o.Weak, "Weak filter: cycles + SPL div 2 at least N")->group(group);
    command->add_option("--cluster-status", o.ClusterStatus, "KL2: minimum cluster status [,exact status]")
        ->group(group);
    command->add_flag("--b1", o.ClusterBand1, "Only clicks of cluster band 1")->group(group);
    command->add_option("--quality", o.Quality, "KL3 qualities to pass: Hi,Mod,Lo,? (default Hi,Mod)")
        ->group(group);
    command->add_flag("--all-q", o.AllQualities, "KL3: pass every quality")->group(group);
    command
        ->add_option("--species", o.Species,
                     "KL3 species to pass: porp,dol,other,unclassed,sonar (default all)")
        ->group(group);
    command->add_flag("--ignore-filters", o.IgnoreFilters, "Ignore every click and train filter")
        ->group(group);
    command
        ->add_option("--minute-limit", o.MinuteLimit, "Clicks per minute: 0 (no limit), 1024, 4096 or 65536")
        ->group(group);
    command->add_flag("--use-endpoints", o.UseEndpoints, "Use the files' saved endpoints")->group(group);
    command->add_flag("--refresh-maps", o.RefreshMaps, "Rebuild map files instead of loading them")
        ->group(group);
    command->add_flag("--show-time-errors", o.ShowTimeErrors, "Deliver clicks out of time order, marked")
        ->group(group);
}

bool ApplyFilterOptions(const FilterOptions& o, Program& p, Host& host) {
    if (!ApplyRange(p, host, "--freq", o.Frequency, FilterBox::FrequencyMin, FilterBox::FrequencyMax) ||
        !ApplyRange(p, host, "--duration", o.Duration, FilterBox::DurationMin, FilterBox::DurationMax) ||
        !ApplyRange(p, host, "--amplitude", o.Amplitude, FilterBox::AmplitudeMin, FilterBox::AmplitudeMax) ||
        !ApplyRange(p, host, "--envelope", o.Envelope, FilterBox::EnvelopeMin, FilterBox::EnvelopeMax) ||
        !ApplyRange(p, host, "--bandwidth", o.Bandwidth, FilterBox::BandwidthMin, FilterBox::BandwidthMax))
        return false;
    if (!o.Weak.empty() && !EnterWeakFilter(p, host, o.Weak))
        return Bad(host, "--weak", o.Weak, "not a whole number");
    if (!ApplyClusterStatus(p, host, o.ClusterStatus)) return false;
    if (!ApplyQualities(p, host, o.Quality) || !ApplySpecies(p, host, o.Species)) return false;
    if (o.ClusterBand1) SetClusterBand1(p, host, true);
    if (o.AllQualities) SetAllQualities(p, host, true);
    if (o.IgnoreFilters) SetIgnoreFilters(p, host, true);
    if (!o.MinuteLimit.empty()) {
        std::int32_t limit = 0;
        if (!ParseFilterInteger(o.MinuteLimit, limit) || !SetMinuteLimit(p, host, limit))
            return Bad(host, "--minute-limit", o.MinuteLimit, "not one of 0, 1024, 4096, 65536");
    }
    if (o.UseEndpoints) SetUseEndpoints(p, host, true);
    if (o.RefreshMaps) p.Options.RefreshMapFiles = true;
    if (o.ShowTimeErrors) p.Options.ShowTimeErrorAsClk = true;
    DescribeFilters(p);
    return true;
}

void InstallRegisteredGains(Program& program) {
    // The settings page keeps the gains (built in, or a lab's registry loaded over them).
    program.RegisteredGain = nullptr;
    SettingsPageOf(program);
}

} // namespace kelp::cli
