#include "export/noise_summary.h"

#include <algorithm>

#include "core/codes.h"
#include "core/file_io.h"
#include "core/filters.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "export/batch_lists.h"
#include "export/batch_page.h"
#include "export/number_text.h"

namespace kelp {

namespace {

constexpr int MinuteEndCode = 183;                // a click time div 65,536 at the end of the minute
constexpr double TimeLostPerPercentMinute = 1.83; // 183 units a minute, per cent
constexpr std::uint8_t FlagOf[NoiseFamilyCount] = {1, 2, 4};

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

// The families a click counts for.
std::uint8_t ClickFlags(const ClickRecord& c) {
    const bool modPlus = c.Quality >= QualityMod;
    std::uint8_t flags = 0;
    if (c.Species == SpeciesPorpoise) flags |= FlagOf[PorpAll];
    if (modPlus && c.Species == SpeciesPorpoise) flags |= FlagOf[PorpMod];
    if (modPlus && c.Species == SpeciesDolphin) flags |= FlagOf[DolMod];
    return flags;
}

void Count(std::int64_t (&counts)[NoiseFamilyCount], std::uint8_t flags) {
    for (int f = 0; f < NoiseFamilyCount; ++f)
        if (flags & FlagOf[f]) ++counts[f];
}

// The running counts of one file.
class NoiseCounter {
public:
    NoiseCounter(NoiseSummary& summary, std::int64_t threshold, std::int64_t first, int dutyCycle)
        : r_(summary), threshold_(threshold), dutyCycle_(dutyCycle),
          tenStarted_(FloorDiv(first, 10) * 10 == first), hourStarted_(FloorDiv(first, 60) * 60 == first) {}

    void Click(const ClickRecord& c) {
        if (c.Quality >= QualityMod) ++hourModClicks_;
        minute_ |= ClickFlags(c);
    }

    // Minute m has ended; `marker` is the marker that opened it.
    void MinuteEnded(std::int64_t m, const MinuteMarker& marker) {
        const bool quiet = hourModClicks_ == 0; // no Mod+ click in the hour so far
        if (quiet) quietClicks_ += marker.NClicks;
        r_.AllClicks += marker.NClicks;
        r_.ClicksAbove120kHz += DecodeLogCode16(marker.Raw[8]);
        if (marker.InSwitchRange) {
            ++r_.MinsOn;
            if (quiet && marker.LimitReached) {
                ++r_.TruncatedMinutes;
                r_.TimeLost += std::max(0, MinuteEndCode - marker.LastClickTime);
            }
        }
        ten_ |= minute_;
        // A block ends where the next logged minute falls into the next one.
        const std::int64_t next = m + dutyCycle_;
        if (FloorDiv(next, 10) != FloorDiv(m, 10)) {
            hour_ |= ten_;
            if (tenStarted_) {
                ++r_.TenMinuteBlocks;
                Count(r_.Dp10m, ten_);
            }
            tenStarted_ = true;
            ten_ = 0;
        }
        if (FloorDiv(next, 60) != FloorDiv(m, 60)) {
            if (hourStarted_) {
                ++r_.Hours;
                Count(r_.Dph, hour_);
                if (quietClicks_ > threshold_) ++r_.NoisyHours;
            }
            hourStarted_ = true;
            hour_ = 0;
            hourModClicks_ = 0;
            quietClicks_ = 0;
        }
        Count(r_.Dpm, minute_);
        minute_ = 0;
    }

private:
    NoiseSummary& r_;
    std::int64_t threshold_;
    int dutyCycle_;
    // Whether the block running now began within the data: only complete blocks count.
    bool tenStarted_;
    bool hourStarted_;
    std::uint8_t minute_ = 0, ten_ = 0, hour_ = 0;
    std::int64_t hourModClicks_ = 0;
    std::int64_t quietClicks_ = 0;
};

std::string Percent(std::int64_t count, std::int64_t of) {
    return SignificantDecimals(of > 0 ? static_cast<double>(count) * 100.0 / static_cast<double>(of) : 0.0, 4,
                               4);
}

bool SummaryOf(Program& p, Host& h, const std::string& chosen, int) {
    const std::string file = WithExtension(chosen, ".KL3");
    if (!FileExists(file) || !OpenDataFile(p, h, file, 1)) {
        h.Results().Append("ERROR " + file);
        return false;
    }
    const FileSlot& s = p.Slot(1);
    // A KL1 file given the extension .KL3 has no trains to count.
    if (s.Kind != FileKind::KL3 || s.Header.FormatCode() == FormatCodeKL1) {
        h.Results().Append(s.ShortName + "\t" + NotKL3FileText);
        CloseDataFile(p, h, 1);
        return false;
    }
    const NoiseSummary summary = SummariseNoise(p, h, BatchPageOf(p).NoiseThreshold);
    if (summary.Broken)
        h.Results().Append("ERROR " + file);
    else if (!summary.Stopped)
        h.Results().Append(NoiseSummaryLine(s.ShortName, summary));
    CloseDataFile(p, h, 1);
    return !summary.Broken;
}

} // namespace

NoiseSummary SummariseNoise(Program& p, Host& h, std::int64_t threshold) {
    NoiseSummary r;
    FileSlot& s = p.Slot(1);
    const int D = std::max(1, s.MinutesPerMarker);
    const std::int64_t first = s.ActiveStart;
    const std::int64_t minutes =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(p.SharedEnd) - first + 1);
    h.StartProgress("Summarising " + s.ShortName, minutes, 0);
    const std::int64_t step = std::max<std::int64_t>(1, minutes / 100);
    std::int64_t nextProgress = step;

    PositionAt(p, h, static_cast<MinuteNumber>(first), 0);
    NoiseCounter counter(r, threshold, first, D);
    std::int64_t m = first;
    MinuteMarker opened = s.Marker;
    bool any = s.MoreData;
    while (s.MoreData) {
        NextRecord(p, h, 1);
        const int type = s.NRType;
        if (type < 128) {
            if (s.Click.Time >= 1) counter.Click(s.Click);
            continue;
        }
        if (type == TypeFiller) continue;
        if (type != TypeMinuteMarker && type != TypeEndOfData) break; // record class error
        if (any) counter.MinuteEnded(m, opened);
        // A marker past the end of the range ends the reading without opening its minute.
        if (type == TypeEndOfData || !s.MoreData) break;
        opened = s.Marker;
        m = s.CurrentMinute;
        if (m - first >= nextProgress) {
            h.StepProgress(m - first);
            nextProgress += step;
            h.ProcessEvents();
            if (h.EscapeHeld() || h.StopRequested()) {
                r.Stopped = true;
                break;
            }
        }
    }
    r.Broken = s.ReadFailed || IsRecordClassError(s.NRType);
    h.EndProgress("");
    return r;
}

std::string NoiseSummaryLine(const std::string& name, const NoiseSummary& r) {
    if (r.MinsOn < 1 || r.TenMinuteBlocks < 1 || r.Hours < 1) return name + "\t" + FileTooShortText;
    const double on = static_cast<double>(r.MinsOn);
    std::string line = name + "\t" + SignificantDecimals(on / MinutesPerDay, 5, 1) + "\t" +
                       std::to_string(r.Hours) + "\t" + std::to_string(r.MinsOn) + "\t" +
                       std::to_string(r.AllClicks) + "\t";
    line += SignificantDecimals(r.AllClicks > 0 ? static_cast<double>(r.ClicksAbove120kHz) * 100.0 /
                                                      static_cast<double>(r.AllClicks)
                                                : 0.0,
                                5, 1);
    line += "\t" + std::to_string(r.NoisyHours) + "\t" + std::to_string(r.TruncatedMinutes) + "\t" +
            SignificantDecimals(static_cast<double>(r.TimeLost) / (on * TimeLostPerPercentMinute), 4, 2);
    for (int f = 0; f < NoiseFamilyCount; ++f)
        line += "\t" + Percent(r.Dpm[f], r.MinsOn) + "\t" + Percent(r.Dp10m[f], r.TenMinuteBlocks) + "\t" +
                Percent(r.Dph[f], r.Hours);
    return line;
}

BatchRunResult ListNoise(Program& p, Host& h, const std::vector<std::string>& files, int jobs) {
    CloseAllFiles(p, h);
    // Every click counts: the train filters would hide the Lo and ? trains.
    if (!p.Clicks.Ignore) SetIgnoreFilters(p, h, true);
    h.Results().Append(NoiseSummaryHeader);
    return RunFileList(p, h, files, jobs, &BatchPage::ListNoiseButton, ListNoiseCaption, SummaryOf,
                       BatchExportCompletedText);
}

BatchRunResult ListNoiseBtnClick(Program& p, Host& h, int jobs) {
    BatchPage& page = BatchPageOf(p);
    EnterNoiseThreshold(page, page.NoiseThresholdText);
    const auto files = ChooseBatchFiles(p, h, ListNoiseOpenTitle, ListNoiseOpenFilter);
    return files.empty() ? BatchRunResult{} : ListNoise(p, h, files, jobs);
}

} // namespace kelp
