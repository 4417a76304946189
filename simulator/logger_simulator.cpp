#include "simulator/logger_simulator.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "core/file_io.h"
#include "core/settings_area.h"
#include "download/card_writer.h"
#include "download/sd_card.h"
#include "settings/logger_settings.h"
#include "settings/settings_layout.h"
#include "simulator/simulated_sources.h"

namespace kelp {

namespace {

using sim::AcousticClick;

constexpr double Pi = 3.14159265358979323846;
constexpr std::int64_t LastTimeInMinute = TicksPerMinute - 1;
// Clicks quieter than this do not trigger the logger.
constexpr long DetectionThreshold = 2;

// The logger's record of a click it has detected.
SDClickRecord CardRecord(const AcousticClick& c, std::int64_t minuteStart) {
    SDClickRecord r;
    r.Time = static_cast<std::uint32_t>(std::clamp<std::int64_t>(c.Tick - minuteStart, 1, LastTimeInMinute));
    const int cycles = std::clamp<int>(c.Cycles, 1, 256);
    r.CyclesLessOne = static_cast<std::uint8_t>(cycles - 1);
    r.Bandwidth = static_cast<std::uint8_t>(std::min<int>(c.Bandwidth, 31));
    // The sum of up to eight periods in ticks of 0.2 us, less 24 ticks for each.
    const int summed = std::min(8, cycles - 2);
    const double period = 5000.0 / std::max(1.0f, c.kHz);
    r.Zsum = static_cast<std::uint16_t>(
        summed > 0 ? std::clamp(std::lround(summed * (period - 24)), 0L, 2047L) : 0);
    r.EndPeriodCode =
        static_cast<std::uint8_t>(std::clamp(std::lround(5000.0 / std::max(1.0f, c.EndkHz) - 24), 1L, 255L));
    const long amplitude = std::clamp(std::lround(c.Amplitude), 1L, 255L);
    r.Amplitude = static_cast<std::uint8_t>(amplitude);
    r.E1 = static_cast<std::uint8_t>(std::clamp(std::lround(amplitude * c.E1Ratio), 0L, 255L));
    r.E2 = static_cast<std::uint8_t>(std::clamp(std::lround(amplitude * c.E2Ratio), 0L, 255L));
    return r;
}

void AppendClick(std::vector<std::uint8_t>& out, const SDClickRecord& r) {
    std::uint8_t bytes[SDClickSize];
    EncodeSDClick(bytes, r);
    out.insert(out.end(), bytes, bytes + SDClickSize);
}

// The settings the logger ran with: the defaults of its number with the simulated start
// delay, duty cycle and click limit.
LoggerSettings SimulatedSettings(const SimulationOptions& o) {
    LoggerSettings s = DefaultsForLogger(o.LoggerNumber);
    s.StartDelay = o.StartDelay;
    s.MinutesOff = o.MinutesOff;
    s.ClickLimit = o.ClickLimitCode;
    return s;
}

std::string Number(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", v);
    return text;
}

const char* DefectName(SimulatedDefect::Kind kind) {
    switch (kind) {
    case SimulatedDefect::Kind::Jump:
        return "jump";
    case SimulatedDefect::Kind::Disorder:
        return "disorder";
    case SimulatedDefect::Kind::PreStart:
        return "prestart";
    case SimulatedDefect::Kind::Blanks:
        return "blanks";
    default:
        return "flood";
    }
}

std::string TruthText(const SimulationOptions& o, const SimulationResult& result,
                      const std::vector<sim::TrainTruth>& trains, std::int64_t background,
                      std::int64_t echoes) {
    std::ostringstream j;
    j << "{\n";
    j << "  \"format\": \"kelp simulator truth 1\",\n";
    j << "  \"scenario\": \"" << o.Scenario << "\",\n";
    j << "  \"seed\": " << o.Seed << ",\n";
    j << "  \"minutes\": " << o.Minutes << ",\n";
    j << "  \"minutes_per_marker\": " << o.MinutesOff + 1 << ",\n";
    j << "  \"start_delay\": " << o.StartDelay << ",\n";
    j << "  \"logger\": " << o.LoggerNumber << ",\n";
    j << "  \"click_limit\": " << MinuteClickLimitOf(o.ClickLimitCode) << ",\n";
    j << "  \"minute_rule\": \"minute is the ordinal of the minute marker (1 for the first); in a KL1 file "
         "it is "
         "first minute + (minute - 1) x minutes_per_marker; times are in 5 us ticks within the minute\",\n";
    j << "  \"clicks_recorded\": " << result.Clicks << ",\n";
    j << "  \"background_clicks\": " << background << ",\n";
    j << "  \"echo_clicks\": " << echoes << ",\n";
    j << "  \"limit_minutes\": " << result.LimitMinutes << ",\n";
    j << "  \"defects\": [";
    for (std::size_t i = 0; i < o.Defects.size(); ++i) {
        const auto& d = o.Defects[i];
        j << (i ? ",\n" : "\n") << "    {\"kind\": \"" << DefectName(d.What) << "\", \"minute\": " << d.Minute
          << ", \"value\": " << d.Value << "}";
    }
    j << (o.Defects.empty() ? "],\n" : "\n  ],\n");
    j << "  \"trains\": [";
    bool first = true;
    for (const auto& t : trains) {
        if (t.Clicks == 0) continue;
        j << (first ? "\n" : ",\n") << "    {\"id\": " << t.Id << ", \"kind\": \""
          << sim::SourceKindName(t.Kind) << "\", \"minute\": " << t.FirstMinute
          << ", \"first_time\": " << t.FirstTime << ", \"last_minute\": " << t.LastMinute
          << ", \"last_time\": " << t.LastTime << ", \"clicks\": " << t.Clicks << ", \"echoes\": " << t.Echoes
          << ", \"buzz\": " << (t.Buzz ? "true" : "false") << ", \"kHz\": " << Number(t.CentrekHz)
          << ", \"first_ici_ms\": " << Number(t.FirstIciMs) << "}";
        first = false;
    }
    j << (first ? "]\n" : "\n  ]\n");
    j << "}\n";
    return j.str();
}

// The slowly varying temperature and tilt of the logger on its mooring.
class Mooring {
public:
    explicit Mooring(sim::Random& r)
        : celsius_(r.Uniform(6, 16)), dayPhase_(r.Uniform(0, 2 * Pi)), tidePhase_(r.Uniform(0, 2 * Pi)),
          tilt_(r.Uniform(15, 45)) {}
    void Step(std::int64_t clockMinute, sim::Random& r) {
        drift_ = std::clamp(drift_ + 0.01 * r.Normal(), -3.0, 3.0);
        const double day = 2 * Pi * static_cast<double>(clockMinute) / 1440.0;
        const double tide = 2 * Pi * static_cast<double>(clockMinute) / 745.0;
        temperature_ =
            celsius_ + drift_ + 0.6 * std::sin(day + dayPhase_) + 0.3 * std::sin(tide + tidePhase_);
        angle_ = tilt_ + 8 * std::sin(tide + tidePhase_) + 1.5 * r.Normal();
    }
    std::uint8_t TemperatureCode() const {
        return static_cast<std::uint8_t>(std::clamp(std::lround(temperature_ / 0.2), 0L, 255L));
    }
    std::uint8_t AngleCode() const {
        return static_cast<std::uint8_t>(std::clamp(std::lround(angle_), 0L, 255L));
    }

private:
    double celsius_, dayPhase_, tidePhase_, tilt_;
    double drift_ = 0, temperature_ = 0, angle_ = 0;
};

} // namespace

bool ParseSimulatedDefect(const std::string& text, SimulatedDefect& d, std::string& error) {
    std::vector<std::string> parts;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, ':')) parts.push_back(part);
    const auto number = [&](std::size_t i, std::int64_t& v) {
        if (i >= parts.size()) return false;
        try {
            std::size_t used = 0;
            v = std::stoll(parts[i], &used);
            return used == parts[i].size();
        } catch (...) {
            return false;
        }
    };
    if (parts.empty()) {
        error = "empty defect";
        return false;
    }
    const std::string& kind = parts[0];
    std::int64_t a = 0, b = 0;
    bool ok = false;
    if (kind == "jump" && parts.size() == 3) {
        ok = number(1, a) && number(2, b) && a >= 1;
        d = {SimulatedDefect::Kind::Jump, a, b};
    } else if (kind == "disorder" && parts.size() == 2) {
        ok = number(1, a) && a >= 1;
        d = {SimulatedDefect::Kind::Disorder, a, 0};
    } else if (kind == "prestart" && parts.size() == 2) {
        ok = number(1, a) && a >= 1 && a <= 1'000'000;
        d = {SimulatedDefect::Kind::PreStart, 0, a};
    } else if (kind == "blanks" && parts.size() == 3) {
        ok = number(1, a) && number(2, b) && a >= 1 && b >= 1 && b <= 1'000'000;
        d = {SimulatedDefect::Kind::Blanks, a, b};
    } else if (kind == "flood" && parts.size() == 3) {
        ok = number(1, a) && number(2, b) && a >= 1 && b >= 1 && b <= 1'000'000;
        d = {SimulatedDefect::Kind::Flood, a, b};
    }
    if (!ok)
        error = "bad defect '" + text +
                "' (use jump:MINUTE:BY, disorder:MINUTE, prestart:COUNT, blanks:MINUTE:COUNT or "
                "flood:MINUTE:COUNT)";
    return ok;
}

std::string CheckSimulationOptions(const SimulationOptions& o) {
    sim::ScenarioRates rates;
    if (!sim::ScenarioByName(o.Scenario, rates)) {
        std::string names;
        for (const auto& n : sim::ScenarioNames()) names += (names.empty() ? "" : ", ") + n;
        return "unknown scenario '" + o.Scenario + "' (one of " + names + ")";
    }
    if (o.OutFolder.empty()) return "no output folder";
    if (o.Minutes < 1 || o.Minutes > 16'777'215) return "minutes must be 1 to 16,777,215";
    if (o.LoggerNumber < 0 || o.LoggerNumber > 9999) return "logger number must be 0 to 9999";
    if (o.YearMade < 0 || o.YearMade > 9999) return "year made must be 0 to 9999";
    if (o.MinutesOff != 0 && o.MinutesOff != 1 && o.MinutesOff != 2 && o.MinutesOff != 4 && o.MinutesOff != 9)
        return "minutes off must be 0, 1, 2, 4 or 9";
    if (o.ClickLimitCode < 0 || o.ClickLimitCode > 3) return "click limit code must be 0 to 3";
    if (o.StartDelay < 0 || o.StartDelay > 65535) return "start delay must be 0 to 65535 minutes";
    if (o.SplitBytes != 0 && o.SplitBytes < 1024) return "split size must be at least 1024 bytes";
    if (o.ErasedTailBytes < 0) return "erased tail must not be negative";
    if (o.Activity < 0 || o.Activity > 1000) return "activity must be 0 to 1000";
    if (o.ShrimpPerMinute > 1'000'000) return "at most 1,000,000 background clicks per minute";
    return "";
}

SimulationResult SimulateCard(const SimulationOptions& o) {
    SimulationResult result;
    result.Error = CheckSimulationOptions(o);
    if (!result.Error.empty()) return result;
    sim::ScenarioRates rates;
    sim::ScenarioByName(o.Scenario, rates);
    if (o.ShrimpPerMinute >= 0) rates.ShrimpPerMinute = o.ShrimpPerMinute;

    sim::Random random(o.Seed);
    sim::World world(rates, o.Activity, random);
    Mooring mooring(random);
    CardWriter writer(o.OutFolder, o.SplitBytes);
    if (!writer.Open()) {
        result.Error = writer.Error();
        return result;
    }

    const std::int64_t limit = MinuteClickLimitOf(o.ClickLimitCode);
    const std::int64_t duty = o.MinutesOff + 1;
    std::vector<AcousticClick> heard;
    std::vector<AcousticClick> logged;
    std::vector<std::uint8_t> bytes;
    std::vector<sim::TrainTruth>& truths = world.Truths();
    std::int64_t background = 0;
    std::int64_t echoes = 0;
    std::int64_t busyUntil = 0;

    for (const auto& d : o.Defects) {
        if (d.What != SimulatedDefect::Kind::PreStart) continue;
        // Clicks written before the logger wrote its first minute marker.
        std::vector<std::int64_t> ticks;
        for (std::int64_t i = 0; i < d.Value; ++i)
            ticks.push_back(random.Int(1, static_cast<int>(LastTimeInMinute)));
        std::sort(ticks.begin(), ticks.end());
        bytes.clear();
        for (std::int64_t t : ticks) AppendClick(bytes, CardRecord(sim::MakeShrimpClick(t, random), 0));
        if (!writer.Write(bytes.data(), bytes.size())) {
            result.Error = writer.Error();
            return result;
        }
        result.Clicks += d.Value;
    }

    std::int64_t n = 0;
    for (std::int64_t clock = 0; n < o.Minutes; ++clock) {
        world.ClicksOfMinute(clock, random, heard);
        mooring.Step(clock, random);
        if (clock % duty != 0) {
            busyUntil = 0;
            continue;
        }
        ++n;
        const std::int64_t minuteStart = clock * TicksPerMinute;

        // What the logger records: loud enough, not while it is still busy with the previous
        // click, and no more than the click limit of the minute.
        logged.clear();
        bool limitReached = false;
        for (const AcousticClick& c : heard) {
            if (std::lround(c.Amplitude) < DetectionThreshold || c.Tick < busyUntil) continue;
            if (limit > 0 && static_cast<std::int64_t>(logged.size()) >= limit) {
                limitReached = true;
                break;
            }
            logged.push_back(c);
            busyUntil = c.Tick + c.DurationTicks();
        }
        if (limitReached) ++result.LimitMinutes;

        std::int64_t jump = 0;
        for (const auto& d : o.Defects) {
            if (d.What == SimulatedDefect::Kind::Jump && n >= d.Minute) jump += d.Value;
            if (d.What == SimulatedDefect::Kind::Flood && n == d.Minute) {
                for (std::int64_t i = 0; i < d.Value; ++i) {
                    const std::int64_t at = 1 + i * (LastTimeInMinute - 1) / d.Value;
                    AcousticClick c = sim::MakeShrimpClick(minuteStart + at, random);
                    logged.push_back(c);
                }
                std::stable_sort(
                    logged.begin(), logged.end(),
                    [](const AcousticClick& a, const AcousticClick& b) { return a.Tick < b.Tick; });
            }
            if (d.What == SimulatedDefect::Kind::Disorder && n == d.Minute && logged.size() < 2) {
                logged.push_back(sim::MakeShrimpClick(minuteStart + 3 * sim::TicksPerMs * 1000, random));
                logged.push_back(sim::MakeShrimpClick(minuteStart + 4 * sim::TicksPerMs * 1000, random));
                std::stable_sort(
                    logged.begin(), logged.end(),
                    [](const AcousticClick& a, const AcousticClick& b) { return a.Tick < b.Tick; });
            }
        }

        for (const AcousticClick& c : logged) {
            if (c.Train == 0) {
                if (c.Echo)
                    ++echoes;
                else
                    ++background;
                continue;
            }
            sim::TrainTruth& t = truths[static_cast<std::size_t>(c.Train - 1)];
            if (c.Echo) {
                ++t.Echoes;
                ++echoes;
                continue;
            }
            const std::int64_t time = std::clamp<std::int64_t>(c.Tick - minuteStart, 1, LastTimeInMinute);
            if (t.Clicks == 0) {
                t.FirstMinute = n;
                t.FirstTime = time;
            }
            t.LastMinute = n;
            t.LastTime = time;
            ++t.Clicks;
        }

        bytes.clear();
        std::uint8_t marker[SDMarkerSize];
        const std::int64_t number = std::clamp<std::int64_t>(n + jump, 0, 16'777'215);
        EncodeSDMarker(marker,
                       {static_cast<std::uint32_t>(number), mooring.TemperatureCode(), mooring.AngleCode()});
        bytes.insert(bytes.end(), marker, marker + SDMarkerSize);
        for (const AcousticClick& c : logged) AppendClick(bytes, CardRecord(c, minuteStart));
        result.Clicks += static_cast<std::int64_t>(logged.size());

        for (const auto& d : o.Defects) {
            if (d.Minute != n) continue;
            const std::size_t middle = SDMarkerSize + logged.size() / 2 * SDClickSize;
            if (d.What == SimulatedDefect::Kind::Disorder) {
                // The click written at `middle` comes before the one written ahead of it.
                const std::size_t k = std::max<std::size_t>(1, logged.size() / 2);
                std::uint8_t* second = &bytes[SDMarkerSize + k * SDClickSize];
                std::uint8_t* first = second - SDClickSize;
                if (ReadBE24(first) == ReadBE24(second)) WriteBE(second, 0, 3, ReadBE24(second) + 1);
                std::swap_ranges(first, first + SDClickSize, second);
            } else if (d.What == SimulatedDefect::Kind::Blanks) {
                bytes.insert(bytes.begin() + static_cast<std::ptrdiff_t>(middle),
                             static_cast<std::size_t>(d.Value) * SDClickSize, std::uint8_t{255});
            }
        }
        if (!writer.Write(bytes.data(), bytes.size())) {
            result.Error = writer.Error();
            return result;
        }
    }
    result.Minutes = n;
    result.StreamBytes = writer.StreamBytes();

    // Erased bytes after the data, as on a card the logger did not fill.
    bytes.assign(64 * 1024, o.ErasedValue);
    for (std::int64_t left = o.ErasedTailBytes; left > 0;) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::int64_t>(left, 64 * 1024));
        if (!writer.Write(bytes.data(), count)) {
            result.Error = writer.Error();
            return result;
        }
        left -= static_cast<std::int64_t>(count);
    }

    // The card as the formatting program left it: at least 2,000,000 blocks.
    const std::int64_t fileBlocks = (SDBlockSize + writer.StreamBytes()) / SDBlockSize - 33;
    const auto cardBlocks =
        static_cast<std::uint32_t>(std::max<std::int64_t>(MinimumCardSizeBlocks, fileBlocks));
    const LoggerSettings settings = SimulatedSettings(o);
    SDHeaderBlock header;
    WriteSettingsArea(header.Settings(), settings, cardBlocks);
    result.BlocksLogged = static_cast<std::uint32_t>((result.StreamBytes + SDBlockSize - 1) / SDBlockSize);
    header.SetBlocksLogged(result.BlocksLogged);
    header.SetOverallMinutes(static_cast<int>(std::min<std::int64_t>((n - 1) * duty + 1, 16'777'215)));
    header.SetLoggingMinutesLessOne(static_cast<int>(n - 1));
    header.SetLimitMinutes(static_cast<int>(result.LimitMinutes));
    header.SetYearMade(o.YearMade);
    header.SetLoggerNumber(o.LoggerNumber);
    header.SetLoggerVersion(static_cast<std::uint8_t>(settings.LoggerVersion));
    if (o.NoSummary) header.ClearSummary();
    if (!writer.Finish(header)) {
        result.Error = writer.Error();
        return result;
    }
    result.Files = writer.Files();

    // The card's settings file, from which the logger took its settings area.
    const SettingsBlock setup = BuildSettingsBlock(settings, cardBlocks);
    AtomicFileWriter setupFile(JoinPath(o.OutFolder, "SETUP.ORV"));
    if (!setupFile.Open() || !setupFile.Write(setup.data(), setup.size()) || !setupFile.Commit()) {
        result.Error =
            "Cannot write " + setupFile.FinalPath() + ": " + SystemErrorText(setupFile.LastError());
        return result;
    }

    for (const auto& t : truths)
        if (t.Clicks > 0) ++result.Trains;
    result.TruthFile = JoinPath(o.OutFolder, "truth.json");
    const std::string truth = TruthText(o, result, truths, background, echoes);
    AtomicFileWriter truthFile(result.TruthFile);
    if (!truthFile.Open() || !truthFile.Write(truth.data(), truth.size()) || !truthFile.Commit()) {
        result.Error = "Cannot write " + result.TruthFile + ": " + SystemErrorText(truthFile.LastError());
        return result;
    }
    result.Ok = true;
    return result;
}

} // namespace kelp
