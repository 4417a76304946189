#include "analysis/file_analysis.h"

#include <algorithm>
#include <memory>

#include "core/codes.h"
#include "core/filters.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "display/axes.h"
#include "display/click_marks.h"
#include "display/colours.h"
#include "display/display_state.h"

namespace kelp {

namespace {

// Degrees of every tilt angle code, worked out once (a minute marker comes every minute).
int AngleDegrees(int code) {
    static const std::array<int, 256> degrees = [] {
        std::array<int, 256> table{};
        for (int c = 0; c < 256; ++c) table[static_cast<std::size_t>(c)] = AngleCodeToDegrees(c);
        return table;
    }();
    return code >= 0 && code < 256 ? degrees[static_cast<std::size_t>(code)] : AngleCodeToDegrees(code);
}

// The minute just read is complete: `n` clicks were counted in it; the marker that closes
// it tells whether the logger was in its switch angle range.
void CloseMinute(AnalysisCounters& k, std::int64_t n, const MinuteMarker& marker) {
    ++k.Minutes;
    if (n > 0) {
        ++k.PositiveMinutes;
        if (k.MinuteLimit - n < 2) ++k.TruncatedMinutes;
    }
    if (n > 0 || marker.InSwitchRange) {
        ++k.AcousticMinutes;
        k.TemperatureSum += marker.Temperature;
        k.AngleSum += AngleDegrees(marker.Angle);
    }
}

inline int Clamp(int v, int low, int high) {
    return v < low ? low : (v > high ? high : v);
}

// The click-rate position of an interval between two clicks of a train: the rate r =
// 200,000 div the interval (clicks per second) at position r up to 100, at 140 + r div 20
// from 101 to 199; 0 (not counted) for other rates. The rate changes only at the 199
// intervals 200,000 div r, so a table of those replaces a division per click.
class RatePositions {
public:
    RatePositions() {
        for (int r = 1; r <= 200; ++r) longest_[static_cast<std::size_t>(r)] = TicksPerSecond / r;
        for (std::size_t q = 0; q < guess_.size(); ++q) {
            const auto d = std::min<std::int32_t>(static_cast<std::int32_t>(q) * 64 + 63, TicksPerSecond);
            guess_[q] = static_cast<std::uint8_t>(TicksPerSecond / d);
        }
        for (int r = 1; r < 200; ++r)
            position_[static_cast<std::size_t>(r)] = static_cast<std::uint8_t>(r <= 100 ? r : 140 + r / 20);
    }
    int Of(std::int32_t interval) const {
        if (interval <= 1000 || interval > TicksPerSecond) return 0; // 200 per second and more, or below 1
        // The rate of the longest interval of its group of 64, then up to the interval's own.
        std::size_t r = guess_[static_cast<std::size_t>(interval) >> 6];
        while (longest_[r + 1] >= interval) ++r;
        return position_[r];
    }

private:
    std::array<std::int32_t, 201> longest_{}; // the longest interval of rate r or more
    std::array<std::uint8_t, (TicksPerSecond >> 6) + 1> guess_{};
    std::array<std::uint8_t, 200> position_{};
};

const RatePositions& RateTable() {
    static const RatePositions table;
    return table;
}

// What the reading counts per click, in the rawest form (byte values as they come), so that
// each click costs as few counts as can be; folded into the page's histograms at the end.
struct Tally {
    std::array<std::int64_t, 256> kHz{};
    std::array<std::int64_t, 256> FrequencyChange{};
    std::array<std::int64_t, 256> Ncyc{};
    std::array<std::int64_t, 256> Spl{};
    std::array<std::int64_t, 256> Bw{};
    std::array<std::int64_t, 256> Envelope{};
    std::array<std::int64_t, 256> Class{}; // quality in bits 0-1, species above
    std::array<std::int64_t, 257> ClickRate{};
    std::array<std::int32_t, 128> Last{}; // the time of the previous click of each type
    const RatePositions& rates = RateTable();

    void Count(const ClickRecord& c, int type) {
        std::int32_t& previous = Last[static_cast<std::size_t>(type)];
        if (previous >= 1) ++ClickRate[static_cast<std::size_t>(rates.Of(c.Time - previous))];
        previous = c.Time;
        // Click values are bytes.
        ++Ncyc[static_cast<std::size_t>(c.Ncyc & 255)];
        ++Envelope[c.Envelope];
        ++kHz[static_cast<std::size_t>(c.kHz & 255)];
        if (c.EndkHz < 160) ++FrequencyChange[static_cast<std::size_t>(Clamp(c.EndkHz + 64 - c.kHz, 0, 128))];
        ++Spl[static_cast<std::size_t>(c.SPL & 255)];
        ++Bw[static_cast<std::size_t>(c.BW & 255)];
        ++Class[static_cast<std::size_t>(((c.Species & 63) << 2) | (c.Quality & 3))];
    }

    void FoldInto(AnalysisCounters& k) const {
        for (std::size_t v = 0; v < 256; ++v) {
            // Below 20 kHz not counted, above 160 at 160; bandwidths above 31 at 31.
            if (v >= 20) k.kHz[std::min<std::size_t>(v, 160)] += kHz[v];
            k.Ncyc[v] += Ncyc[v];
            k.Spl[v] += Spl[v];
            k.Bw[std::min<std::size_t>(v, 31)] += Bw[v];
            k.EnvelopeLow[v & 15] += Envelope[v];
            k.EnvelopeHigh[v >> 4] += Envelope[v];
            k.Quality[v & 3] += Class[v];
            if ((v >> 2) <= SpeciesBoatSonar) k.Species[v >> 2] += Class[v];
            k.Total += Ncyc[v];
        }
        k.FrequencyChange = FrequencyChange;
        k.ClickRate = ClickRate;
        k.ClickRate[0] = 0; // intervals without a rate that is counted
    }
};

std::string RateText(double rate) {
    return rate > 20 ? ThousandsText(RoundToInt(rate)) : FixedText(rate, 2);
}

// A file lies inside the shared range when both its first and last minutes do.
bool InsideSharedRange(const Program& p, const FileSlot& s) {
    return s.FirstMinute >= p.SharedStart && s.FirstMinute <= p.SharedEnd && s.LastMinute >= p.SharedStart &&
           s.LastMinute <= p.SharedEnd;
}

std::string Counted(std::int64_t v) {
    return std::to_string(v);
}

} // namespace

int ClickRatePosition(std::int32_t interval) {
    return RateTable().Of(interval);
}

AnalysisCounters CountClicks(Program& p, Host& host, int slotIndex, const AnalysisOptions& o) {
    FileSlot& s = p.Slot(slotIndex);
    AnalysisCounters k;
    k.MinuteLimit = std::min<std::int64_t>(s.MinuteClickLimit, p.MinuteLimit);
    if (o.TwoParamProfile) k.Profile.assign(256 * 256, 0);
    std::int64_t* profile = k.Profile.empty() ? nullptr : k.Profile.data();
    const bool ncycAndkHz = o.NcycAndkHz;
    auto tally = std::make_unique<Tally>();

    const std::int64_t step = p.SharedMinutes() / 100 + 1;
    host.StartProgress("Analysing data ...", s.ActiveEnd, s.ActiveStart);
    PositionAt(p, host, p.SharedStart, 0);
    // With endpoints that end earlier than the file, the first marker after them ends the reading.
    const bool endsAtActiveEnd =
        static_cast<std::int64_t>(s.ActiveEnd) <= static_cast<std::int64_t>(s.LastMinute) - 2;
    std::int64_t n = 0;
    std::int64_t sinceStep = 0;
    bool lastMinuteClosed = false;
    while (s.MoreData) {
        NextRecord(p, host, slotIndex);
        const int type = s.NRType;
        if (type < 128) {
            // A record whose time is below 1 carries no click values of its own.
            if (n < k.MinuteLimit && s.Click.Time >= 1) {
                ++n;
                tally->Count(s.Click, type);
                if (profile) {
                    const int row = ncycAndkHz ? s.Click.Ncyc : s.Click.SPL;
                    ++profile[static_cast<std::size_t>(row & 255) * 256 +
                              static_cast<std::size_t>(s.Click.kHz & 255)];
                }
            }
            continue;
        }
        if (type == TypeEndOfData) break;
        if (type != TypeMinuteMarker) continue;
        CloseMinute(k, n, s.Marker);
        n = 0;
        // The marker after the shared range (or after the endpoints) closed the last minute.
        if (s.CurrentMinute > p.SharedEnd || (endsAtActiveEnd && s.CurrentMinute > s.ActiveEnd)) {
            lastMinuteClosed = true;
            break;
        }
        sinceStep += std::max(1, s.MinutesPerMarker);
        if (sinceStep >= step) {
            sinceStep = 0;
            host.StepProgress(s.CurrentMinute);
            host.ProcessEvents();
            if (host.EscapeHeld() || host.StopRequested()) break;
        }
    }
    // The minute the reading ended in.
    if (!lastMinuteClosed) CloseMinute(k, n, s.Marker);
    tally->FoldInto(k);
    return k;
}

AnalysisFigures MakeFigures(const Program& p, const FileSlot& s, const AnalysisCounters& k) {
    AnalysisFigures f;
    const std::int64_t m = std::max<std::int64_t>(1, k.Minutes);
    f.FileLabel = s.ShortName;
    f.Duration = "File duration analysed: " + DurationText(k.Minutes);
    f.AcousticDuration = "Acoustic duration: " + DurationText(k.AcousticMinutes) + " (" +
                         Counted(k.AcousticMinutes * 100 / m) + "%)";
    f.Clicks =
        ThousandsText(k.Total) + (InsideSharedRange(p, s) ? " clicks in file" : " clicks in selected time");
    // From the rates on, a file without acoustic minutes counts as one.
    const std::int64_t h = std::max<std::int64_t>(1, k.AcousticMinutes);
    const double perMinute = static_cast<double>(k.Total) / static_cast<double>(h);
    f.PerMinute = RateText(perMinute) + " clicks per min";
    f.PerHour = RateText(perMinute * 60) + " clicks per hour";
    f.PerDay = RateText(perMinute * 1440) + " clicks per day";
    if (s.Kind == FileKind::KL1)
        f.GigabyteLasts = "1GB lasts " + DurationText(100'000'000 / std::max<std::int64_t>(1, k.Total / h));
    if (k.MinuteLimit <= 99'998)
        f.Truncated = Counted(k.TruncatedMinutes * 100 / h) + "% truncated" + "  (" +
                      Counted(k.TruncatedMinutes) + " @ " + Counted(k.MinuteLimit) + ")";
    f.ClickFilters = p.ClickFilterText;
    f.TrainFilters = s.Kind == FileKind::KL1 ? "File is KL1 file - no trains defined" : p.TrainFilterText;
    if (s.Kind == FileKind::KL3) f.DpmPerDay = "DPM per day " + Counted(k.PositiveMinutes * 1440 / h);
    if (k.TemperatureSum >= 1) f.MeanTemperature = "Mean temp " + Counted(k.TemperatureSum / (h * 5)) + "C";
    f.MeanAngle = "Mean angle " + Counted(k.AngleSum / h);
    return f;
}

int ClickRateMode(const AnalysisCounters& k) {
    int mode = 0;
    for (int i = 1; i < static_cast<int>(k.ClickRate.size()); ++i)
        if (k.ClickRate[static_cast<std::size_t>(i)] > k.ClickRate[static_cast<std::size_t>(mode)]) mode = i;
    return mode;
}

std::int64_t PrfModeValue(int mode) {
    // Positions 1..100 are rates; the positions from 141 on hold rates in bins 20 wide.
    return mode <= 140 ? mode : static_cast<std::int64_t>(mode) * 20 - 2800;
}

std::vector<std::string> TextBoxLines(const FileSlot& s, const AnalysisCounters& k) {
    std::vector<std::string> lines;
    if (s.Kind == FileKind::KL3) {
        lines = {"Q Hi\t" + Counted(k.Quality[3]),
                 "Q Mod\t" + Counted(k.Quality[2]),
                 "Q Lo\t" + Counted(k.Quality[1]),
                 "Q ?\t" + Counted(k.Quality[0]),
                 "",
                 "Porp\t" + Counted(k.Species[0]),
                 "Dolphin\t" + Counted(k.Species[1]),
                 "Unclass\t" + Counted(k.Species[3]),
                 "Sonar\t" + Counted(k.Species[4]),
                 "total\t" + Counted(k.Total),
                 "",
                 "PRF mode\t" + Counted(PrfModeValue(ClickRateMode(k)))};
    }
    lines.push_back("On Mins\t" + Counted(k.AcousticMinutes));
    return lines;
}

namespace {

template <std::size_t N>
void SetBars(std::array<ClassBar, N>& bars, const std::array<std::int64_t, N>& counts,
             const std::array<const char*, N>& labels, const std::array<Colour, N>& colours, bool show) {
    std::int64_t largest = 0;
    for (std::int64_t c : counts) largest = std::max(largest, c);
    for (std::size_t i = 0; i < N; ++i) {
        ClassBar& bar = bars[i];
        bar.Label = labels[i];
        bar.Count = counts[i];
        bar.BarColour = colours[i];
        bar.Visible = show && counts[i] > 0;
        bar.Width =
            bar.Visible
                ? static_cast<int>(std::max<std::int64_t>(
                      1, RoundToInt(static_cast<double>(counts[i]) * 80.0 / static_cast<double>(largest))))
                : 0;
    }
}

} // namespace

void MakeClassBars(const FileSlot& s, const AnalysisCounters& k, AnalysisPage& page) {
    const bool kl3 = s.Kind == FileKind::KL3;
    bool anyQuality = false;
    for (std::int64_t c : k.Quality) anyQuality = anyQuality || c > 0;
    const bool show = kl3 && anyQuality;
    SetBars(page.QualityBars, {k.Quality[3], k.Quality[2], k.Quality[1], k.Quality[0]},
            {"Hi", "Mod", "Lo", "?"}, {ColourRed, ColourYellow, ColourGreen, ColourWhite}, show);
    SetBars(page.SpeciesBars, k.Species, {"Porp", "Dolphin", "Other", "Unclass", "Sonar"},
            {SpeciesColour(0), SpeciesColour(1), SpeciesColour(2), SpeciesColour(3), SpeciesColour(4)}, show);
}

std::vector<std::string> ClassTotalsLines(const FileSlot& s, const AnalysisCounters& k) {
    if (s.Kind == FileKind::KL3) {
        std::string counts = s.ShortName;
        for (std::int64_t c : {k.Quality[3], k.Quality[2], k.Quality[1], k.Quality[0], k.Species[0],
                               k.Species[1], k.Species[2], k.Species[4], k.Species[3]})
            counts += "\t" + Counted(c);
        return {"File\tHi\tMod\tLo\t?\tPorp\tDol\tOther\tSonar\tUnclass", counts};
    }
    auto row = [](const char* title, const std::array<std::int64_t, 257>& h) {
        std::string line = title;
        for (std::size_t i = 2; i <= 256; ++i) line += "\t" + Counted(h[i]);
        return line;
    };
    return {s.ShortName, row("Freq 20-160", k.kHz), row("Ncyc 0-256", k.Ncyc), row("SPL 0-256", k.Spl),
            row("PRFcat 0-256", k.ClickRate)};
}

std::vector<std::string> ProfileLines(const AnalysisCounters& k, bool ncycAndkHz) {
    std::vector<std::string> lines;
    if (ncycAndkHz) {
        // Rows by kHz, each led by its value; columns by cycles.
        lines.push_back("Ncyc cols\tF rows");
        std::string header = "\t";
        for (int c = 0; c <= 200; ++c) header += "'" + std::to_string(c) + "\t";
        lines.push_back(header);
        lines.push_back("");
        for (int kHz = 20; kHz <= 170; ++kHz) {
            std::string line = std::to_string(kHz) + "\t";
            for (int c = 0; c <= 200; ++c) line += Counted(k.ProfileAt(c, kHz)) + "\t";
            lines.push_back(line);
        }
        return lines;
    }
    // Rows by amplitude (5..255), columns by kHz (40..170); the rows carry no value of their
    // own, so that the header's columns stand over the counts.
    lines.push_back("F cols\tP rows");
    std::string header;
    for (int c = 40; c <= 170; ++c) header += "'" + std::to_string(c) + "\t";
    lines.push_back(header);
    lines.push_back("");
    for (int row = 5; row <= 255; ++row) {
        std::string line;
        for (int c = 40; c <= 170; ++c) line += Counted(k.ProfileAt(row, c)) + "\t";
        lines.push_back(line);
    }
    return lines;
}

void StepSpeciesClass(Program& p, Host& host) {
    // The classes in the order the filter steps through them.
    static constexpr std::array<int, 5> Order = {SpeciesBoatSonar, SpeciesPorpoise, SpeciesDolphin,
                                                 SpeciesOtherCetacean, SpeciesUnclassed};
    std::size_t current = Order.size() - 1; // none ticked: boat sonars come next
    for (std::size_t i = 0; i < Order.size(); ++i) {
        if (p.Trains.Species[static_cast<std::size_t>(Order[i])]) {
            current = i;
            break;
        }
    }
    const int next = Order[(current + 1) % Order.size()];
    SetIgnoreFilters(p, host, false);
    for (int species = 0; species < 5; ++species)
        if (species != next && p.Trains.Species[static_cast<std::size_t>(species)])
            SetSpeciesBox(p, host, species, false);
    if (!p.Trains.Species[static_cast<std::size_t>(next)]) SetSpeciesBox(p, host, next, true);
}

namespace {

void ClearPage(AnalysisPage& page) {
    page.HasAnalysis = false;
    page.AnalysedSlot = 0;
    page.Counters = AnalysisCounters{};
    page.Figures = AnalysisFigures{};
    page.TextBox.clear();
    page.QualityBars = {};
    page.SpeciesBars = {};
    page.ClickRateMode = 0;
}

void Analyse(Program& p, Host& host, AnalysisPage& page, int slot) {
    ClearPage(page);
    page.AnalyzeEnabled = false;
    host.StateChanged(analysis_changed::Page);
    host.StateChanged(analysis_changed::Buttons);

    FileSlot& s = p.Slot(slot);
    if (page.Options.StepThroughSpecies && s.Kind == FileKind::KL3) StepSpeciesClass(p, host);
    DescribeFilters(p);
    page.Counters = CountClicks(p, host, slot, page.Options);
    page.Figures = MakeFigures(p, s, page.Counters);
    page.ClickRateMode = ClickRateMode(page.Counters);
    page.TextBox = TextBoxLines(s, page.Counters);
    MakeClassBars(s, page.Counters, page);
    page.HasAnalysis = true;
    page.AnalysedSlot = slot;
    if (page.Options.ClassTotalsInResults) host.Results().Append(ClassTotalsLines(s, page.Counters));
    if (page.Options.TwoParamProfile)
        host.Results().Append(ProfileLines(page.Counters, page.Options.NcycAndkHz));
    host.EndProgress(" results in graphs");

    const ClickTime back = DisplayStateOf(p).ReadPosition;
    PositionAt(p, host, back.Minute, back.Time);
    page.AnalyzeEnabled = true;
    host.StateChanged(analysis_changed::Page);
    host.StateChanged(analysis_changed::Buttons);
}

} // namespace

void AnalyzeButtonClick(Program& p, Host& host) {
    AnalysisPage& page = AnalysisPageOf(p);
    const int chosen = page.Options.FileChoice;
    if (p.OpenCount() == 0 || chosen < 1 || chosen > SlotCount) return;
    if (!p.Slot(chosen).IsOpen) {
        page.Options.FileChoice = p.LowestOpenSlot();
        host.StateChanged(analysis_changed::Options);
    }
    Analyse(p, host, page, page.Options.FileChoice);
}

void ChooseAnalysisFile(Program& p, Host& host, int slot) {
    AnalysisPage& page = AnalysisPageOf(p);
    if (slot < 1 || slot > SlotCount) return;
    page.Options.FileChoice = slot;
    AnalyzeButtonClick(p, host);
}

} // namespace kelp
