#include "export/train_details.h"

#include <algorithm>
#include <array>

#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "export/export_output.h"
#include "export/export_page.h"

namespace kelp {

namespace {

constexpr int FailedToCreateMs = 60'000;
constexpr std::int64_t PauseIntervals = 16;

constexpr std::array<const char*, 5> SpeciesNames{"Porp", "Dol", "CetSp", "NoSp", "Sonars"};
constexpr std::array<const char*, 4> QualityNames{"Doubtful", "Low", "Mod", "High"};

std::string SpeciesName(int species) {
    if (species >= 0 && species < static_cast<int>(SpeciesNames.size()))
        return SpeciesNames[static_cast<std::size_t>(species)];
    return std::to_string(species);
}

std::string QualityName(int quality) {
    if (quality >= 0 && quality < static_cast<int>(QualityNames.size()))
        return QualityNames[static_cast<std::size_t>(quality)];
    return std::to_string(quality);
}

// A click of a cluster counts once in the cluster columns, also the first click of a line,
// so that they are averages per cluster.
void AddCluster(TrainAccumulator& a, const ClickRecord& c) {
    if (c.ClusterSize <= 1) return;
    a.Clusters += 1;
    a.ClusterSizeSum += c.ClusterSize;
    a.FdiffSum += c.ClusterValue14;
    a.ClusterDurationSum += c.ClusterDuration;
}

// The reversal rule: a change of direction counts once, and the flag follows the new direction.
void CountReversal(bool falling, std::uint8_t& flag, std::int64_t& count) {
    if (falling) {
        if (flag == 1) ++count;
        flag = 0;
    } else {
        if (flag == 0) ++count;
        flag = 1;
    }
}

void Append(std::string& line, std::int64_t value) {
    line += '\t';
    line += std::to_string(value);
}

void ChangeDetailsCaption(Program& p, Host& host, bool full, const std::string& caption) {
    ExportPage& page = ExportPageOf(p);
    (full ? page.FullDetailsButton : page.BriefDetailsButton) = caption;
    host.StateChanged(changed::ExportPage);
}

} // namespace

void AddTrainClick(TrainAccumulator& a, const ClickRecord& c, bool full) {
    const std::int64_t slope1 = c.Envelope & 15, slope2 = c.Envelope >> 4;
    if (a.N == 0) {
        a.Start = a.Last = c.Time;
        a.N = 1;
        a.Band = c.Band;
        a.SumkHz = a.MinkHz = a.MaxkHz = c.kHz;
        a.SumEndkHz = c.EndkHz;
        a.SumNcyc = a.MaxNcyc = c.Ncyc;
        a.SumSpl = a.MaxSpl = c.SPL;
        a.Slope1Sum = slope1;
        a.Slope2Sum = slope2;
        a.SumBw = c.BW;
        if (full) AddCluster(a, c);
        a.Species = c.Species;
        a.Quality = c.Quality;
        return;
    }
    a.N += 1;
    const std::int64_t ici = c.Time - a.Last;
    a.PredictedEnd = c.Time + PauseIntervals * ici;
    a.Last = c.Time;
    a.SumkHz += c.kHz;
    a.SumSpl += c.SPL;
    a.MaxSpl = std::max<std::int64_t>(a.MaxSpl, c.SPL);
    a.SumNcyc += c.Ncyc;
    a.MaxNcyc = std::max<std::int64_t>(a.MaxNcyc, c.Ncyc);
    if (c.ClusterSize > 3) {
        a.MmmSum += c.Value17;
        a.MmmCount += 1;
    }
    // The first and the latest interval of a line never enter the extremes.
    if (a.N > 3) {
        a.MaxIci = std::max(a.MaxIci, a.LastIci);
        a.MinIci = std::min(a.MinIci, a.LastIci);
    }
    const std::int64_t previousIci = a.LastIci;
    if (ici > a.LastIci) a.IciRising += 1;
    a.LastIci = ici;
    if (!full) return;
    a.MinkHz = std::min<std::int64_t>(a.MinkHz, c.kHz);
    a.MaxkHz = std::max<std::int64_t>(a.MaxkHz, c.kHz);
    a.SumEndkHz += c.EndkHz;
    // The first interval has none before it; the second sets the trend; later ones may reverse it.
    if (a.N == 3)
        a.IciDirection = ici < previousIci ? 0 : 1;
    else if (a.N > 3)
        CountReversal(ici < previousIci, a.IciDirection, a.IciReversals);
    CountReversal(c.SPL < a.LastSpl, a.SplDirection, a.SplReversals);
    a.LastSpl = c.SPL;
    AddCluster(a, c);
    a.Slope1Sum += slope1;
    a.Slope2Sum += slope2;
    a.SumBw += c.BW;
}

std::string TrainDetailLine(const TrainAccumulator& a, const std::string& fileName, int trainNumber,
                            MinuteNumber minute, bool full) {
    std::string line = fileName + "\t" + std::to_string(trainNumber) + "\t" + DateTimeText(minute) + "\t" +
                       std::to_string(minute) + "\t";
    if (a.N <= 4) return line;
    line += SpeciesName(a.Species) + "\t" + QualityName(a.Quality) + "\t";
    const std::int64_t n1 = a.N - 1;
    const std::int64_t span = a.Last - a.Start;
    const std::int64_t perCluster = std::max<std::int64_t>(1, a.Clusters);
    line += std::to_string(a.Start * MicrosecondsPerTick);
    Append(line, span * MicrosecondsPerTick);
    Append(line, a.N);
    Append(line, span * MicrosecondsPerTick / n1);
    if (full) {
        Append(line, span > 0 ? n1 * 2'000'000 / span : 0);
        Append(line, a.MaxIci * MicrosecondsPerTick);
        Append(line, a.MinIci * MicrosecondsPerTick);
        Append(line, a.LastIci * MicrosecondsPerTick);
        Append(line, a.IciReversals * 100 / n1);
        Append(line, a.IciRising * 100 / n1);
        Append(line, a.Band);
        Append(line, a.SumkHz / a.N);
        Append(line, a.SumEndkHz / a.N);
        Append(line, a.MinkHz);
        Append(line, a.MaxkHz);
        Append(line, a.SumNcyc / a.N);
        Append(line, a.MaxNcyc);
        Append(line, a.SumSpl / a.N);
        Append(line, a.MaxSpl);
        Append(line, a.SplReversals * 100 / n1);
        Append(line, a.MmmSum / std::max<std::int64_t>(1, a.MmmCount));
        Append(line, a.Clusters);
        Append(line, a.ClusterSizeSum * 10 / perCluster);
        Append(line, a.ClusterDurationSum / perCluster);
        Append(line, a.FdiffSum / perCluster);
        Append(line, a.Slope1Sum / a.N);
        Append(line, a.Slope2Sum / a.N);
        Append(line, a.SumBw / a.N);
    } else {
        Append(line, a.SumkHz / a.N);
        Append(line, a.SumSpl / a.N);
        Append(line, a.MaxSpl);
        Append(line, a.MaxIci * MicrosecondsPerTick);
        Append(line, a.MinIci * MicrosecondsPerTick);
        Append(line, a.MmmSum / std::max<std::int64_t>(1, a.MmmCount));
    }
    return line;
}

void WriteTrainDetails(Program& p, Host& host, ExportLines& lines, bool full) {
    FileSlot& s = p.Slot(1);
    const MinuteNumber start = p.Options.UseEndpoints ? s.ActiveStart : s.FirstMinute;
    const MinuteNumber end = p.Options.UseEndpoints ? s.ActiveEnd : s.LastMinute;
    const int D = std::max(1, s.MinutesPerMarker);
    host.StartProgress("Exporting train details from " + s.ShortName,
                       std::max<std::int64_t>(1, static_cast<std::int64_t>(end) - start + 1), 0);
    const std::int64_t progressStep =
        std::max<std::int64_t>(1, (static_cast<std::int64_t>(end) - start) / 100);
    std::int64_t nextProgress = progressStep;

    PositionAt(p, host, start, 0);
    std::int64_t minute = start;
    std::array<TrainAccumulator, 128> trains{};
    std::vector<int> active; // the trains with clicks in this minute
    const auto write = [&](int e) {
        TrainAccumulator& a = trains[static_cast<std::size_t>(e)];
        lines.Line(TrainDetailLine(a, s.ShortName, e, static_cast<MinuteNumber>(minute), full));
        a = TrainAccumulator{};
    };
    while (s.MoreData) {
        NextRecord(p, host, 1);
        const int type = s.NRType;
        if (type < 128) {
            if (type < FirstTrainId || s.Click.Time < 1) continue;
            TrainAccumulator& a = trains[static_cast<std::size_t>(type)];
            // A pause of more than 16 of its latest intervals ends the train's line.
            if (a.PredictedEnd < s.Click.Time) write(type);
            if (a.N == 0 && std::find(active.begin(), active.end(), type) == active.end())
                active.push_back(type);
            AddTrainClick(a, s.Click, full);
            continue;
        }
        if (type == TypeFiller) continue;
        if (type != TypeMinuteMarker && type != TypeEndOfData) break; // record class error
        // The lines of the minute's trains, in the order of their numbers.
        std::sort(active.begin(), active.end());
        for (int e : active)
            if (trains[static_cast<std::size_t>(e)].N > 0) write(e);
        active.clear();
        if (type == TypeEndOfData) break;
        minute += D;
        if (minute > end) break;
        if (minute - start >= nextProgress) {
            host.StepProgress(minute - start);
            host.ProcessEvents();
            nextProgress += progressStep;
        }
    }
}

bool ExportTrainDetails(Program& p, Host& host, const std::vector<std::string>& files,
                        const std::string& name, bool full) {
    if (RefuseDataOrMapTarget(host, name)) return false;
    TextFileLines out(name, "report file");
    if (!out.Open()) {
        host.ShowTimedMessage(Message2s, out.ErrorText());
        const std::string failed = "Failed to create report file " + name;
        host.ShowTimedMessage(FailedToCreateMs, failed);
        p.SourceBox.push_back(failed);
        host.StateChanged(changed::SourceBox);
        return false;
    }
    out.Line(full ? FullDetailsColumns : BriefDetailsColumns);
    const bool wasBatch = p.Options.BatchRunning;
    p.Options.BatchRunning = true;
    const int count = static_cast<int>(files.size());
    for (int i = 0; i < count; ++i) {
        const std::string& file = files[static_cast<std::size_t>(i)];
        if (FileKindFromName(file) != FileKind::KL3) continue;
        ChangeDetailsCaption(p, host, full,
                             "Exporting " + std::to_string(i + 1) + " of " + std::to_string(count));
        host.ShowBatchFile(i + 1, count);
        if (!OpenDataFile(p, host, file, 1)) continue;
        p.WindowTitle = "KELP file:   " + p.Slot(1).ShortName;
        host.StateChanged(changed::Slots);
        WriteTrainDetails(p, host, out, full);
        CloseDataFile(p, host, 1);
        host.EndProgress(" done");
        if (!out.Ok()) break;
    }
    p.Options.BatchRunning = wasBatch;
    ExportPage& page = ExportPageOf(p);
    page.BriefDetailsButton = BriefDetailsDoneCaption;
    page.FullDetailsButton = FullDetailsCaption;
    host.StateChanged(changed::ExportPage);
    if (!out.Finish(host)) return false;
    host.ShowTimedMessage(Message2s, "Exported to: " + ShortNameOf(name) + "    ");
    const std::string exported = "Exported to: " + name;
    if (p.SourceBox.empty())
        p.SourceBox.push_back(exported);
    else
        p.SourceBox.front() = exported;
    host.StateChanged(changed::SourceBox);
    return true;
}

bool ExportTrainDetailBtnClick(Program& p, Host& host, bool full) {
    CloseAllFiles(p, host);
    host.Results().Clear();
    FileDialogRequest open;
    open.Title = DetailsOpenTitle;
    open.Filter = DetailsOpenFilter;
    open.MultiSelect = true;
    const std::vector<std::string> files = host.OpenFileDialog(open);
    if (files.empty()) {
        host.ShowTimedMessage(Message2s, DetailsNoFilesText);
        return false;
    }
    FileDialogRequest save;
    save.Title = DetailsSaveTitle;
    save.Filter = DetailsSaveFilter;
    save.InitialName = WithExtension(files.front(), " details.txt");
    const auto name = host.SaveFileDialog(save);
    if (!name || name->empty()) {
        host.ShowTimedMessage(Message3s, DetailsNoOutputText);
        return false;
    }
    return ExportTrainDetails(p, host, files, *name, full);
}

} // namespace kelp
