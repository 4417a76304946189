#include "export/detection_export.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "core/codes.h"
#include "core/filters.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "export/export_output.h"
#include "export/tidy_table.h"

namespace kelp {

namespace {

constexpr std::int32_t AllPeriodMinutes = 12'000'000;
constexpr std::int64_t AllPeriodEnd = 80'000'000;
constexpr std::int32_t TidePeriodMinutes = 186;
constexpr std::int64_t JulianDayOfOrigin = 2'415'018;
// A KL1 minute with more clicks than this filled the logger's buffer: the rest of it was lost.
constexpr std::int64_t FullKL1Minute = 4094;
constexpr std::int32_t MinuteEndCode = 183; // a click time div 65,536 at the end of the minute

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}
std::int64_t FloorMod(std::int64_t a, std::int64_t b) {
    return a - FloorDiv(a, b) * b;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

double PerMinute(double value, std::int64_t minutes) {
    return value / static_cast<double>(std::max<std::int64_t>(1, minutes));
}

// Degrees of every angle code, worked out once.
const std::array<std::int16_t, 256>& AngleDegrees() {
    static const std::array<std::int16_t, 256> table = [] {
        std::array<std::int16_t, 256> t{};
        for (int code = 0; code < 256; ++code)
            t[static_cast<std::size_t>(code)] = static_cast<std::int16_t>(AngleCodeToDegrees(code));
        return t;
    }();
    return table;
}

// The minute that a marker opens enters the running period.
void AddMinute(ExportPeriodValues& v, const FileSlot& s) {
    const MinuteMarker& m = s.Marker;
    ++v.Markers;
    if (m.Temperature != 0)
        v.TemperatureSum += m.Temperature;
    else
        ++v.MinutesWithoutTemperature;
    if (m.InSwitchRange) {
        ++v.MinutesOn;
        v.AngleSum += AngleDegrees()[static_cast<std::size_t>(m.Angle & 255)];
    }
    if (s.Kind == FileKind::KL3 && m.LimitReached) v.TimeLost += std::max(0, MinuteEndCode - m.LastClickTime);
    v.NAll += m.NClicks;
}

// A new period starts with the minute that the marker opens.
void StartPeriod(ExportPeriodValues& v, const FileSlot& s, std::int64_t minute) {
    v = ExportPeriodValues{};
    v.First = static_cast<MinuteNumber>(minute);
    AddMinute(v, s);
}

// A clock block of `length` minutes has ended at the marker that opens minute f.
bool BlockEnded(std::int64_t f, int dutyCycle, std::int64_t length) {
    return FloorDiv(f, length) != FloorDiv(f - dutyCycle, length);
}

const char* ClickCountDescription(ExportPeriod period) {
    static constexpr std::array<const char*, ExportPeriodCount> texts{
        "Click counts for each minute.",     "Click counts for each 10mins clock time.",
        "Click counts for each clock hour.", "Click counts for quarters of tidal cycle.",
        "Click counts for each day.",        "Clicks in whole file"};
    return texts[static_cast<std::size_t>(period)];
}

const char* DurationDescription(ExportPeriod period) {
    static constexpr std::array<const char*, ExportPeriodCount> texts{
        "Train duration in each minute.",     "Train duration in each 10mins clock time.",
        "Train duration in each clock hour.", "Train duration in quarters of tidal cycle.",
        "Train duration in each day.",        "Train duration in whole file"};
    return texts[static_cast<std::size_t>(period)];
}

std::string UnitColumnName(ExportDateUnit unit) {
    return unit == ExportDateUnit::Minutes ? "minute since start 1900" : "Julian Day";
}

} // namespace

double ExportPeriodValues::Temperature() const {
    return static_cast<double>(TemperatureSum) / 5.0 /
           static_cast<double>(std::max<std::int64_t>(1, Markers - MinutesWithoutTemperature));
}
double ExportPeriodValues::Angle() const {
    return PerMinute(static_cast<double>(AngleSum), MinutesOn);
}
double ExportPeriodValues::TimeLostPercent() const {
    return PerMinute(static_cast<double>(TimeLost) * 100.0 / MinuteEndCode, MinutesOn);
}
double ExportPeriodValues::ClicksPerMinuteOn() const {
    return PerMinute(static_cast<double>(Clicks), MinutesOn);
}
double ExportPeriodValues::NAllPerMinuteOn() const {
    return PerMinute(static_cast<double>(NAll), MinutesOn);
}
std::int64_t ExportPeriodValues::DurationMilliseconds() const {
    return RoundToInt(static_cast<double>(DurationTicks) / 200.0);
}

std::int32_t PeriodLength(ExportPeriod period) {
    switch (period) {
    case ExportPeriod::OneMinute:
        return 1;
    case ExportPeriod::TenMinutes:
        return 10;
    case ExportPeriod::Hours:
        return 60;
    case ExportPeriod::QuarterTides:
        return TidePeriodMinutes;
    case ExportPeriod::Days:
        return MinutesPerDay;
    case ExportPeriod::All:
        break;
    }
    return AllPeriodMinutes;
}

std::int64_t FirstPeriodEnd(ExportPeriod period, MinuteNumber first, int dutyCycle) {
    const std::int64_t f0 = first;
    const std::int64_t d = PeriodLength(period);
    switch (period) {
    case ExportPeriod::OneMinute:
        return f0 - 1 + dutyCycle;
    case ExportPeriod::All:
        return AllPeriodEnd;
    default:
        return f0 - 1 - FloorMod(f0, d) + d;
    }
}

ExportSpan ExportSpanOf(const Program& p, int slot, ExportPeriod period) {
    const FileSlot& s = p.Slot(slot);
    ExportSpan span;
    // With endpoints: the file's active range; otherwise from its first minute to the end
    // of the range the open files share (the selection's end when one is set).
    span.First = p.Options.UseEndpoints ? s.ActiveStart : s.FirstMinute;
    span.End = p.Options.UseEndpoints ? s.ActiveEnd : p.SharedEnd;
    span.DutyCycle = std::max(1, s.MinutesPerMarker);
    span.PeriodMinutes = PeriodLength(period);
    return span;
}

std::string ExportTimeColumns(const ExportPage& page, MinuteNumber t) {
    const auto unit = [&] {
        const std::int64_t value = page.DateUnit == ExportDateUnit::Minutes
                                       ? t
                                       : static_cast<std::int64_t>(t) / MinutesPerDay + JulianDayOfOrigin;
        return std::to_string(value);
    };
    switch (page.DateFormat) {
    case ExportDateFormat::Text:
        return DateTimeText(t) + "\t";
    case ExportDateFormat::Unit:
        return unit() + "\t";
    case ExportDateFormat::Both:
        return DateTimeText(t) + "\t" + unit() + "\t";
    case ExportDateFormat::None:
        break;
    }
    return "";
}

std::vector<std::string> ExportHeaderLines(Program& p, int slot) {
    const FileSlot& s = p.Slot(slot);
    const ExportPage& page = ExportPageOf(p);
    const ExportSpan span = ExportSpanOf(p, slot, page.Period);
    const std::int64_t d = span.PeriodMinutes;
    std::vector<std::string> lines;
    lines.push_back(s.ShortName);
    // The logger of the file exported (not always the one in slot 1).
    lines.push_back("KELP " + std::to_string(s.LoggerNumber));
    lines.push_back(DateTimeText(span.First));
    lines.push_back(DateTimeText(s.ActiveEnd));
    if (d > 1) {
        std::int64_t firstMinutes = d - FloorMod(span.First, d);
        // The active range's last minute belongs to the last period.
        std::int64_t lastMinutes = FloorMod(static_cast<std::int64_t>(s.ActiveEnd) + 1, d);
        if (lastMinutes == 0) lastMinutes = d;
        if (page.Period == ExportPeriod::All) // one period: the whole range
            firstMinutes = lastMinutes = static_cast<std::int64_t>(s.ActiveEnd) - span.First + 1;
        lines.push_back("Mins in first time period =\t" + std::to_string(firstMinutes));
        lines.push_back("Mins in last time period =\t" + std::to_string(lastMinutes));
    }
    DescribeFilters(p);
    lines.push_back(p.ClickFilterText.empty() ? "No click filters" : p.ClickFilterText);
    if (s.Kind == FileKind::KL2 || s.Kind == FileKind::KL3)
        lines.push_back(p.TrainFilterText.empty() ? "No train filters" : p.TrainFilterText);
    const std::string mins = std::to_string(d) + "mins.  Time shown is end of period";
    switch (page.DataItem) {
    case ExportItem::Clicks:
        lines.push_back(ClickCountDescription(page.Period));
        break;
    case ExportItem::Dpm:
        lines.push_back("DPM Train Detection-positive minutes per " + mins);
        break;
    case ExportItem::Dp10m:
        lines.push_back("DP10M Train Detection-positive 10minutes per " + mins);
        break;
    case ExportItem::Dph:
        lines.push_back("DPH Train Detection-positive hours per " + mins);
        break;
    case ExportItem::TrainDuration:
        lines.push_back(DurationDescription(page.Period));
        break;
    case ExportItem::ClickRepeat:
        lines.push_back("Inter-click intervals in microseconds");
        break;
    case ExportItem::Noise:
        break;
    case ExportItem::Conditions:
        lines.push_back("Mean values for periods of " + std::to_string(d) + "mins");
        break;
    }
    return lines;
}

std::string ExportColumnHeader(const ExportPage& page, FileKind kind) {
    std::string header = page.OneFile ? "FileN\t" : "";
    if (page.DataItem == ExportItem::ClickRepeat) return header + "min\tTrain N\tICI us\tClicks/s";
    const std::string unit = UnitColumnName(page.DateUnit);
    switch (page.DateFormat) {
    case ExportDateFormat::Text:
        header += "time\t";
        break;
    case ExportDateFormat::Unit:
        header += unit + "\t";
        break;
    case ExportDateFormat::Both:
        header += "time\t" + unit + "\t";
        break;
    case ExportDateFormat::None:
        break;
    }
    switch (page.DataItem) {
    case ExportItem::Clicks:
        return header + (kind == FileKind::KL3 ? "N filtered\tN all" : "N clx");
    case ExportItem::Dpm:
        return header + "DPM";
    case ExportItem::Dp10m:
        return header + "DP10M";
    case ExportItem::Dph:
        return header + "DPH";
    case ExportItem::TrainDuration:
        return header + "Millisecs";
    case ExportItem::Conditions:
        return header + "Temp\tAngle\t%Time lost\tMinutes ON\tN filtered/m\tN all/m";
    default:
        return header;
    }
}

void RunDetectionExport(Program& p, Host& host, int slotIndex, ExportReceiver& receiver) {
    FileSlot& s = p.Slot(slotIndex);
    const ExportPage& page = ExportPageOf(p);
    const ExportItem item = page.DataItem;
    const ExportSpan span = ExportSpanOf(p, slotIndex, page.Period);
    const int D = span.DutyCycle;
    const std::int64_t d = span.PeriodMinutes;
    const std::int64_t endMinute = static_cast<std::int64_t>(span.End) + D;
    const bool all = page.Period == ExportPeriod::All;
    std::int64_t h = FirstPeriodEnd(page.Period, span.First, D);
    // "all" is one period: it ends with the export, also where the export ends before the data.
    if (all) h = std::min<std::int64_t>(h, span.End);
    const bool kl1 = s.Kind == FileKind::KL1;

    host.StartProgress("Exporting from " + s.ShortName, std::max<std::int64_t>(1, endMinute - span.First), 0);
    const std::int64_t progressStep = std::max<std::int64_t>(1, (endMinute - span.First) / 100);
    std::int64_t nextProgress = progressStep;

    PositionAt(p, host, span.First, 0);
    std::int64_t f = span.First;
    ExportPeriodValues v;
    StartPeriod(v, s, f);
    bool clickSeen = false;
    std::int64_t sinceMarker = 0;
    std::int32_t latestClick = 0;
    // First and last click time of each click number in the current minute (0: none yet).
    std::array<std::int32_t, 128> firstTime{}, lastTime{};
    std::vector<int> touched;
    touched.reserve(128);

    while (s.MoreData) {
        NextRecord(p, host, slotIndex);
        const int type = s.NRType;
        if (type < 128) {
            const std::int32_t time = s.Click.Time;
            if (time < 1) continue; // a blank record, not a click
            clickSeen = true;
            ++sinceMarker;
            latestClick = time >> 16;
            if (item == ExportItem::ClickRepeat) {
                std::int32_t& last = lastTime[static_cast<std::size_t>(type)];
                if (last != 0)
                    receiver.Interval(static_cast<MinuteNumber>(f), type, time - last);
                else
                    touched.push_back(type);
                last = time;
            } else if (item == ExportItem::TrainDuration) {
                std::int32_t& first = firstTime[static_cast<std::size_t>(type)];
                if (first == 0) {
                    first = time;
                    touched.push_back(type);
                } else {
                    lastTime[static_cast<std::size_t>(type)] = time;
                }
            }
            continue;
        }
        if (type == TypeFiller) continue;
        if (type != TypeMinuteMarker && type != TypeEndOfData) break; // record class error
        if (receiver.Failed()) break;                                 // a write error ends the export
        const bool dataEnded = type == TypeEndOfData;
        f += D;
        // A period still open when the export passes its end gets no line.
        if (f > endMinute) break;
        if (f - span.First >= nextProgress) {
            host.StepProgress(f - span.First);
            host.ProcessEvents();
            nextProgress += progressStep;
        }
        const bool periodEnd = f > h || dataEnded;

        // The minute just ended.
        switch (item) {
        case ExportItem::Dpm:
            if (clickSeen) ++v.Positive, clickSeen = false;
            break;
        case ExportItem::Dp10m:
        case ExportItem::Dph:
            // A block counts when it ends; the data's last block also counts when the data ends in it.
            if (clickSeen && (dataEnded || BlockEnded(f, D, item == ExportItem::Dp10m ? 10 : 60)))
                ++v.Positive, clickSeen = false;
            break;
        case ExportItem::TrainDuration:
            if (clickSeen) {
                for (int e : touched) {
                    const auto i = static_cast<std::size_t>(e);
                    if (e >= FirstTrainId && lastTime[i] != 0) v.DurationTicks += lastTime[i] - firstTime[i];
                    firstTime[i] = lastTime[i] = 0;
                }
                touched.clear();
                clickSeen = false;
            }
            break;
        case ExportItem::ClickRepeat:
            for (int e : touched) lastTime[static_cast<std::size_t>(e)] = 0;
            touched.clear();
            break;
        case ExportItem::Conditions:
            if (kl1 && sinceMarker > FullKL1Minute) v.TimeLost += MinuteEndCode - latestClick;
            break;
        default:
            break;
        }
        v.Clicks += sinceMarker;
        sinceMarker = 0;
        if (!periodEnd) {
            AddMinute(v, s);
            continue;
        }
        v.End = static_cast<MinuteNumber>(f);
        v.Shown = static_cast<MinuteNumber>(f - D);
        v.HasDetection = clickSeen || v.DurationTicks != 0 || v.Positive > 0;
        receiver.PeriodEnded(v);
        if (all || dataEnded) break;
        h += d;
        StartPeriod(v, s, f);
        latestClick = 0;
        if (item == ExportItem::Clicks) clickSeen = false;
    }
}

void ExportLineWriter::PeriodEnded(const ExportPeriodValues& v) {
    const ExportItem item = page_.DataItem;
    if (item == ExportItem::Noise || item == ExportItem::ClickRepeat) return;
    if (item == ExportItem::Conditions) {
        if (v.Markers == 0 || (v.MinutesOn == 0 && page_.OmitNegative)) return;
    } else if (!v.HasDetection && page_.OmitNegative) {
        return;
    }
    line_.clear();
    if (page_.OneFile) line_ += std::to_string(fileNumber_) + "\t";
    line_ += ExportTimeColumns(page_, v.Shown);
    switch (item) {
    case ExportItem::Clicks:
        line_ += std::to_string(v.Clicks);
        if (kl3_) line_ += "\t" + std::to_string(v.NAll);
        break;
    case ExportItem::TrainDuration:
        line_ += std::to_string(v.DurationMilliseconds());
        break;
    case ExportItem::Conditions:
        line_ += Fixed(v.Temperature(), 2) + "\t" + Fixed(v.Angle(), 1) + "\t" +
                 Fixed(v.TimeLostPercent(), 1) + "\t" + std::to_string(v.MinutesOn) + "\t" +
                 Fixed(v.ClicksPerMinuteOn(), 2) + "\t" + Fixed(v.NAllPerMinuteOn(), 1);
        break;
    default:
        line_ += std::to_string(v.Positive);
        break;
    }
    lines_.Line(line_);
}

bool ExportLineWriter::Failed() const {
    return !lines_.Ok();
}

void ExportLineWriter::Interval(MinuteNumber minute, int trainNumber, std::int32_t ticks) {
    if (prefix_.empty() || minute != prefixMinute_) {
        prefixMinute_ = minute;
        prefix_ = DateTimeText(minute) + "\t";
    }
    line_.clear();
    // The file number keeps the lines in step with the "FileN" column of the header.
    if (page_.OneFile) line_ += std::to_string(fileNumber_) + "\t";
    line_ += prefix_;
    line_ += std::to_string(trainNumber);
    line_ += '\t';
    line_ += std::to_string(static_cast<std::int64_t>(ticks) * MicrosecondsPerTick);
    line_ += '\t';
    line_ += std::to_string(TicksPerSecond / ticks);
    lines_.Line(line_);
}

bool StartExport(Program& p, Host& host, int slot) {
    FileSlot& s = p.Slot(slot);
    if (!s.IsOpen) return false;
    ExportPage& page = ExportPageOf(p);
    if (NeedsKL3File(page.DataItem) && s.Kind != FileKind::KL3) {
        host.ShowTimedMessage(Message10s, NotKL3DataText);
        host.Results().Append(s.ShortName + NotKL3ResultsSuffix);
        return false;
    }
    AdjustExportPage(page, host);
    host.StateChanged(changed::ExportPage);
    // Means of the logger's conditions count every click it logged.
    if (page.DataItem == ExportItem::Conditions && !p.Clicks.Ignore) SetIgnoreFilters(p, host, true);
    return true;
}

namespace {

void WriteExport(Program& p, Host& host, int slot, int fileNumber, ExportLines& lines, bool columnHeader) {
    const ExportPage& page = ExportPageOf(p);
    if (!page.OmitHeader)
        for (const std::string& line : ExportHeaderLines(p, slot)) lines.Line(line);
    if (columnHeader) lines.Line(ExportColumnHeader(page, p.Slot(slot).Kind));
    ExportLineWriter writer(page, p.Slot(slot).Kind == FileKind::KL3, fileNumber, lines);
    RunDetectionExport(p, host, slot, writer);
}

} // namespace

bool ExportDataTo(Program& p, Host& host, int slot, int fileNumber, ExportLines& lines, bool columnHeader) {
    if (!StartExport(p, host, slot)) return false;
    WriteExport(p, host, slot, fileNumber, lines, columnHeader);
    host.EndProgress(ExportCompletedText);
    return lines.Ok();
}

bool ExportData(Program& p, Host& host, int slot, int fileNumber) {
    if (!StartExport(p, host, slot)) return false;
    const ExportPage& page = ExportPageOf(p);
    if (page.To == ExportTo::Results) {
        ResultsLines results(host);
        WriteExport(p, host, slot, fileNumber, results, true);
        host.EndProgress(ExportCompletedText);
        return true;
    }
    FileDialogRequest request;
    request.Title = ExportDialogTitle;
    request.Filter = ExportDialogFilter;
    request.InitialName =
        WithExtension(p.Slot(slot).FullName, std::string(" ") + ExportItemName(page.DataItem) + ".txt");
    const auto chosen = host.SaveFileDialog(request);
    if (!chosen || chosen->empty() || RefuseDataOrMapTarget(host, *chosen)) return false;
    TextFileLines file(*chosen);
    if (!file.Open()) {
        host.ShowTimedMessage(Message2s, file.ErrorText());
        p.SourceBox.push_back(FailedToCreateExportText);
        host.StateChanged(changed::SourceBox);
        return false;
    }
    WriteExport(p, host, slot, fileNumber, file, true);
    if (!file.Finish(host)) {
        host.EndProgress("");
        return false;
    }
    host.Results().Append("Data saved to " + *chosen);
    host.EndProgress(ExportCompletedText);
    return true;
}

std::string DetectionsOnlyFromKL3Text(int slot) {
    return "File " + std::to_string(slot) + ": Detections can only be exported from .KL3 files";
}

int ExportGenBtnClick(Program& p, Host& host, ExportLines* shared) {
    ExportPage& page = ExportPageOf(p);
    bool any = false;
    for (int slot = 1; slot <= SlotCount; ++slot)
        any = any || (page.FileBoxes[static_cast<std::size_t>(slot)] && p.Slot(slot).IsOpen);
    if (!any) {
        host.ShowTimedMessage(Message5s, SelectFileText);
        return 0;
    }
    if (page.Tidy) return ExportTidyTableClick(p, host);
    int exported = 0;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const FileSlot& s = p.Slot(slot);
        if (!page.FileBoxes[static_cast<std::size_t>(slot)] || !s.IsOpen) continue;
        if (page.DataItem == ExportItem::Dpm && s.Kind != FileKind::KL3) {
            host.ShowTimedMessage(Message5s, DetectionsOnlyFromKL3Text(slot));
            continue;
        }
        page.ExportDataButton = "File " + std::to_string(slot);
        host.StateChanged(changed::ExportPage);
        const bool ok = shared ? ExportDataTo(p, host, slot, exported + 1, *shared, exported == 0)
                               : ExportData(p, host, slot, exported + 1);
        if (ok) ++exported;
    }
    page.ExportDataButton = ExportDataCaption;
    host.StateChanged(changed::ExportPage);
    return exported;
}

} // namespace kelp
