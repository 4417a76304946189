#include "core/filters.h"

#include <climits>
#include <cstdlib>

#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"

namespace kelp {

FilterEntry& ClickFilter::Entry(FilterBox box) {
    return const_cast<FilterEntry&>(static_cast<const ClickFilter*>(this)->Entry(box));
}

const FilterEntry& ClickFilter::Entry(FilterBox box) const {
    switch (box) {
    case FilterBox::FrequencyMin:
        return Frequency.Min;
    case FilterBox::FrequencyMax:
        return Frequency.Max;
    case FilterBox::DurationMin:
        return Duration.Min;
    case FilterBox::DurationMax:
        return Duration.Max;
    case FilterBox::AmplitudeMin:
        return Amplitude.Min;
    case FilterBox::AmplitudeMax:
        return Amplitude.Max;
    case FilterBox::EnvelopeMin:
        return Envelope.Min;
    case FilterBox::EnvelopeMax:
        return Envelope.Max;
    case FilterBox::BandwidthMin:
        return Bandwidth.Min;
    case FilterBox::BandwidthMax:
        break;
    }
    return Bandwidth.Max;
}

bool ParseFilterInteger(const std::string& text, std::int32_t& value) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i >= text.size()) return false;
    std::int64_t v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<std::int64_t>(INT_MAX) + 1) return false;
    }
    if (negative) v = -v;
    if (v > INT_MAX || v < INT_MIN) return false;
    value = static_cast<std::int32_t>(v);
    return true;
}

namespace {

// Takes a text into an entry; a text that does not parse puts `fallback` back.
bool TakeEntry(FilterEntry& entry, const std::string& text, const std::string& fallback) {
    std::int32_t v = 0;
    if (ParseFilterInteger(text, v)) {
        entry.Text = text;
        entry.Value = v;
        return true;
    }
    entry.Text = fallback;
    ParseFilterInteger(fallback, entry.Value);
    return false;
}

void FiltersChanged(Program& p, Host& host) {
    DescribeFilters(p);
    host.StateChanged(changed::Filters);
    RefreshSourceBox(p, host);
}

std::string RangePart(const char* label, const FilterRange& r, const char* tail) {
    return std::string(label) + r.Min.Text + "-" + r.Max.Text + tail;
}

const char* const MinuteParameterNames[10] = {"kHz groups: av frequency of click",
                                              "Duration  groups: N of cycles in clicks",
                                              "Bandwidth groups red=low",
                                              nullptr,
                                              "Click envelope",
                                              "Inter-click interval",
                                              "Clicks/s",
                                              "Q classes",
                                              "Species class",
                                              "SPL centiles 2%,4%,8%, 92%,96%,98%"};
const char* const ClickParameterNames[10] = {"Click freq: kHz",
                                             "Click duration: N of cycles",
                                             "Click Bandwidth: vertical ht",
                                             nullptr,
                                             "Click envelope",
                                             "Inter-click interval",
                                             "Clicks/s",
                                             "Train quality",
                                             "Sp class",
                                             "SPL centiles 2%,4%,8%, 92%,96%,98%"};
const char* const BinNames[9] = {"1min", "5mins", "30mins", "1h", "tide/4", "6h", "12h", "1 day", "1 week"};
const char* const PixelNames[11] = {"1 pixel = 10us", "1 pixel = 20us", "1 pixel = 100us", "1 pixel = 500us",
                                    "1 pixel = 1ms",  "1 pixel = 2ms",  "1 pixel = 5ms",   "1 pixel = 10ms",
                                    "1 pixel = 20ms", "1 pixel = 50ms", "1 pixel = 0.1s"};

std::string ScaleLine(const Program& p) {
    const int parameter = p.Display.Parameter < 0 || p.Display.Parameter > 9 ? 0 : p.Display.Parameter;
    const int scale = p.Display.TimeScale < 0 ? 0 : (p.Display.TimeScale > 19 ? 19 : p.Display.TimeScale);
    const bool pa = p.Options.ShowSplAsPa;
    if (scale > 10) {
        const char* name = parameter == 3 ? (pa ? "Max Pa p-p groups" : "Max SPL groups, uncorrected")
                                          : MinuteParameterNames[parameter];
        return std::string(name) + "/m   " + BinNames[scale - 11];
    }
    const char* name = parameter == 3 ? (pa ? "Click SPL: Max Pa p-p" : "Click Max SPL, uncorrected")
                                      : ClickParameterNames[parameter];
    return std::string(name) + "   " + PixelNames[scale];
}

std::string DisplayTitle(const Program& p) {
    switch (p.Display.Parameter) {
    case 0:
        return "kHz";
    case 1:
        return "Duration ";
    case 2:
        return "Bandwidth";
    case 3:
        return p.Options.ShowSplAsPa ? "Pa p-p" : "SPL";
    case 4:
        return "Envelope";
    case 5:
        return p.Display.TimeScale > 10 ? "Inter-click interval" : "ICI";
    case 6:
        return "Clicks/s";
    case 7:
        return "Q classes";
    case 8:
        return "Sp class";
    default:
        return "SPL centiles";
    }
}

} // namespace

bool EnterFilterText(Program& p, Host& host, FilterBox box, const std::string& text) {
    FilterEntry& entry = p.Clicks.Entry(box);
    bool taken = TakeEntry(entry, text, entry.FallbackText);
    if (box == FilterBox::DurationMin && entry.Value < 0) {
        TakeEntry(entry, "0", "0");
        taken = false;
    }
    FiltersChanged(p, host);
    return taken;
}

void RestoreFilterDefault(Program& p, Host& host, FilterBox box) {
    FilterEntry& entry = p.Clicks.Entry(box);
    TakeEntry(entry, entry.InitialText, entry.InitialText);
    FiltersChanged(p, host);
}

bool EnterWeakFilter(Program& p, Host& host, const std::string& text) {
    const bool taken = TakeEntry(p.Clicks.Weak, text, "0");
    host.StateChanged(changed::Filters);
    return taken;
}

bool EnterMinClusterStatus(Program& p, Host& host, const std::string& text) {
    const bool taken = TakeEntry(p.Clicks.MinClusterStatus, text, p.Clicks.MinClusterStatus.InitialText);
    host.StateChanged(changed::Filters);
    return taken;
}

bool EnterExactClusterStatus(Program& p, Host& host, const std::string& text) {
    const bool taken = TakeEntry(p.Clicks.ExactClusterStatus, text, p.Clicks.ExactClusterStatus.InitialText);
    host.StateChanged(changed::Filters);
    return taken;
}

void SetClusterBand1(Program& p, Host& host, bool on) {
    p.Clicks.ClusterBand1 = on;
    host.StateChanged(changed::Filters);
}

void SetIgnoreFilters(Program& p, Host& host, bool on) {
    p.Clicks.Ignore = on;
    p.Trains.BoxesEnabled = !on;
    host.StateChanged(changed::Filters);
    RefreshSourceBox(p, host);
}

void SetQualityBox(Program& p, Host& host, int quality, bool ticked) {
    if (quality < 0 || quality > 3) return;
    p.Trains.Quality[static_cast<std::size_t>(quality)] = ticked;
    FiltersChanged(p, host);
}

void SetAllQualities(Program& p, Host& host, bool ticked) {
    p.Trains.AllQualities = ticked;
    FiltersChanged(p, host);
}

void SetSpeciesBox(Program& p, Host& host, int species, bool ticked) {
    if (species < 0 || species > 4) return;
    p.Trains.Species[static_cast<std::size_t>(species)] = ticked;
    FiltersChanged(p, host);
}

bool EnterUpperIci(Program& p, Host& host, const std::string& text) {
    std::int32_t v = 0;
    bool taken = ParseFilterInteger(text, v);
    if (!taken) {
        p.Ici.UpperText = std::string(1, '2');
        v = 2;
    } else if (v > 1000) {
        p.Ici.UpperText = "1000";
        v = 1000;
        taken = false;
    } else {
        p.Ici.UpperText = text;
    }
    p.Ici.UpperTicks = IciTicks(v);
    host.StateChanged(changed::Filters);
    return taken;
}

bool EnterLowerIci(Program& p, Host& host, const std::string& text) {
    std::int32_t v = 0;
    bool taken = ParseFilterInteger(text, v) && v >= 100;
    if (!taken) {
        p.Ici.LowerText = "2000";
        v = 2000;
    } else {
        p.Ici.LowerText = text;
    }
    p.Ici.LowerTicks = IciTicks(v);
    host.StateChanged(changed::Filters);
    return taken;
}

void ToggleIciFilter(Program& p, Host& host) {
    p.Ici.On = !p.Ici.On;
    bool anyTicked = false;
    for (int i = 1; i <= SlotCount; ++i) anyTicked = anyTicked || p.Seek[static_cast<std::size_t>(i)].Ticked;
    const int lowest = p.LowestOpenSlot();
    if (!anyTicked && lowest > 0) p.Seek[static_cast<std::size_t>(lowest)].Ticked = true;
    host.StateChanged(changed::Filters);
}

bool SetMinuteLimit(Program& p, Host& host, long value) {
    if (value != 0 && value != 1024 && value != 4096 && value != 65536) return false;
    p.MinuteLimit = value == 0 ? INT_MAX : value;
    p.MinuteLimitLabel = std::to_string(value);
    host.StateChanged(changed::MinuteLimit);
    return true;
}

void StepMinuteLimit(Program& p, Host& host) {
    const long current = p.MinuteLimit == INT_MAX ? 0 : static_cast<long>(p.MinuteLimit);
    const long next = current == 0 ? 1024 : current == 1024 ? 4096 : current == 4096 ? 65536 : 0;
    SetMinuteLimit(p, host, next);
}

bool PassesClassFilters(const Program& p, const FileSlot& s, const ClickRecord& c, int type) {
    if (s.Kind == FileKind::KL3) {
        if (!p.Trains.AllQualities && (c.Quality > 3 || !p.Trains.Quality[c.Quality])) return false;
        if (c.Species > 4 || !p.Trains.Species[c.Species]) return false;
    } else if (s.Kind == FileKind::KL2) {
        if (type < 2) return false;
    }
    if (p.Clicks.ClusterBand1 && c.Band != 76) return false;
    return true;
}

void DescribeFilters(Program& p) {
    const ClickFilter& f = p.Clicks;
    p.ClickFilterText.clear();
    p.TrainFilterText.clear();
    if (f.Ignore) return;

    const bool noRanges = f.Frequency.IsInitial() && f.Duration.IsInitial() && f.Amplitude.IsInitial() &&
                          f.Envelope.IsInitial() && f.Bandwidth.IsInitial();
    if (!noRanges) {
        std::string text = "Click filter: ";
        if (!f.Frequency.IsInitial()) text += RangePart("  Freq: ", f.Frequency, "kHz, ");
        if (!f.Duration.IsInitial()) text += RangePart("  Duration: ", f.Duration, "cyc,");
        if (!f.Amplitude.IsInitial()) text += RangePart("  Amplitude: ", f.Amplitude, ",");
        if (!f.Envelope.IsInitial()) text += RangePart("  Envelope: ", f.Envelope, ",");
        if (!f.Bandwidth.IsInitial()) text += RangePart("  Bandwidth: ", f.Bandwidth, "");
        p.ClickFilterText = text;
    }

    const TrainFilter& t = p.Trains;
    std::string quality;
    const bool allTicked = t.Quality[0] && t.Quality[1] && t.Quality[2] && t.Quality[3];
    if (!t.AllQualities && !allTicked) {
        std::string list;
        if (t.Quality[3]) list += ", Hi";
        if (t.Quality[2]) list += ", Mod";
        if (t.Quality[1]) list += ", Lo";
        if (t.Quality[0]) list += ", ?";
        quality = std::string("Quality:") + (list.empty() ? list : list.substr(1)) + ".  ";
    }
    std::string species;
    const bool allSpecies = t.Species[0] && t.Species[1] && t.Species[2] && t.Species[3] && t.Species[4];
    if (!allSpecies) {
        if (!t.Species[0] && !t.Species[1] && !t.Species[2] && !t.Species[4]) {
            species = "Species: unclassed";
        } else {
            static const char* const names[5] = {", Porp.type", ", Dolphins", ", Cet other", ", unclassed",
                                                 ", sonars"};
            std::string list;
            for (int i = 0; i < 5; ++i)
                if (t.Species[static_cast<std::size_t>(i)]) list += names[i];
            species = std::string("Species: ") + list.substr(1);
        }
    }
    p.TrainFilterText = quality + species;
}

void RefreshSourceBox(Program& p, Host& host) {
    if (p.Options.BatchRunning || p.Display.FastForwardReplay) return;
    p.SourceBox.clear();
    std::string line1 = ScaleLine(p);
    p.Display.TitleLabel = DisplayTitle(p);
    DescribeFilters(p);
    if (p.Display.AverageSpl && p.Options.DevelopmentMode && p.Display.AverageSplText)
        line1 = p.Display.AverageSplText();
    p.SourceBox.push_back(line1);
    p.SourceBox.push_back(p.ClickFilterText.empty() ? "No click filters" : p.ClickFilterText);
    p.SourceBox.push_back(p.TrainFilterText.empty() ? "No train filters" : p.TrainFilterText);
    p.ExportClickFilterLabel = p.SourceBox[1];
    p.ExportTrainFilterLabel = p.SourceBox[2];
    std::string files;
    for (int i = SlotCount; i >= 1; --i)
        if (p.Slot(i).IsOpen)
            files += std::string("(") + std::to_string(i) + ") " + p.Slot(i).ShortName + "  ";
    if (!files.empty()) p.SourceBox.push_back(files);
    host.StateChanged(changed::SourceBox);
}

} // namespace kelp
