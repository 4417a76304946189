#include "tda/train_summary.h"

#include <algorithm>

#include "core/header.h"
#include "core/host.h"

namespace kelp {

std::vector<std::string> TrainSummaryLegend(const std::string& shortName) {
    return {shortName, "Porp", "Dol", "Other Cet", "Unclass", "Sonars", "raw N, (kHz)"};
}

std::int64_t TrainFileEvents(const TrainRunCounters& counters, const TrainFileFacts& facts) {
    return facts.FileSize / std::max(1, facts.RecordLength) - counters.FileMins;
}

TrainSummary MakeTrainSummary(const TrainRunCounters& c, const TrainFileFacts& facts) {
    TrainSummary s;
    s.Legend = TrainSummaryLegend(facts.ShortName);
    const std::int64_t events = TrainFileEvents(c, facts);
    std::int64_t inTrains = 0;
    for (const auto q : c.QualityTotals) inTrains += q;
    s.ResultLabels.push_back(facts.ShortName);
    s.ResultLabels.push_back("Events " + ThousandsText(events) + ".  FileMins " + ThousandsText(c.FileMins) +
                             "  ActiveMins " + ThousandsText(c.ActiveMins));
    s.ResultLabels.push_back(ThousandsText(inTrains) + " in trains. Event/class rate = " +
                             ThousandsText(inTrains * 100 / std::max<std::int64_t>(1, events)) + "%");
    s.ResultLabels.push_back(ThousandsText(c.QualityTotals[3]) + " as Hi");
    s.ResultLabels.push_back(ThousandsText(c.QualityTotals[2]) + " as Mod");
    s.ResultLabels.push_back(ThousandsText(c.QualityTotals[1]) + " as Lo");
    s.ResultLabels.push_back(ThousandsText(c.QualityTotals[0]) + " as ?");
    s.ResultLabels.push_back(ThousandsText(c.SpeciesTotals[0]) + " as Porp");
    s.ResultLabels.push_back(ThousandsText(c.SpeciesTotals[1]) + " as Dol");
    s.ResultLabels.push_back(ThousandsText(c.SpeciesTotals[2]) + " as other cet");
    s.ResultLabels.push_back(ThousandsText(c.SpeciesTotals[3]) + " as Sp unclass");
    s.ResultLabels.push_back(ThousandsText(c.SpeciesTotals[4]) + " as Fixed rate");

    s.DiagnosticLabels.push_back("purges " + std::to_string(c.Purges));
    s.DiagnosticLabels.push_back("Max(C)   " + std::to_string(c.HighestSlotsInUse) + "   " +
                                 std::to_string(c.HighestSlotsInUse * 100 / TrainSlots) + "%");
    s.DiagnosticLabels.push_back("Max(Nin) accepted/all " + std::to_string(c.MaxWrittenNin) + "\t" +
                                 std::to_string(c.MaxFreedLength));
    s.DiagnosticLabels.push_back("Max(P) = " + std::to_string(c.MaxPass));
    s.DiagnosticLabels.push_back("Tf  " + std::to_string(c.ClicksOffered));
    s.DiagnosticLabels.push_back("Zero(C) " + std::to_string(c.TrainsFreed));
    s.StatusLabel = ThousandsText(inTrains) + " clicks in all trains";

    s.Bars = {c.QualityTotals[3], c.QualityTotals[2], c.QualityTotals[1],
              c.QualityTotals[0], c.SpeciesTotals[0], c.SpeciesTotals[1],
              c.SpeciesTotals[2], c.SpeciesTotals[3], c.SpeciesTotals[4]};
    return s;
}

std::string TrainResultsLine(const TrainRunCounters& c, const TrainFileFacts& facts) {
    std::string line = WithExtension(facts.ShortName, ".KL");
    auto field = [&line](const std::string& text) { line += "\t" + text; };
    field(DateTimeText(facts.FirstMinute));
    field(DateTimeText(facts.LastMinute));
    // The duration and the minutes columns both count the first and the last minute.
    const std::int64_t minutes = static_cast<std::int64_t>(facts.LastMinute) - facts.FirstMinute + 1;
    field(DurationText(minutes));
    field(std::to_string(minutes));
    field(std::to_string(TrainFileEvents(c, facts)));
    for (int q = 3; q >= 0; --q) field(std::to_string(c.QualityTotals[static_cast<std::size_t>(q)]));
    for (const auto s : c.SpeciesTotals) field(std::to_string(s));
    return line;
}

void AppendTrainResultsLine(ResultsPage& results, const std::string& line) {
    if (results.Lines().empty()) results.Append(TrainResultsHeader);
    results.Append(line);
}

} // namespace kelp
