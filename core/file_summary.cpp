#include "core/file_summary.h"

#include <algorithm>
#include <cstdio>

#include "core/codes.h"
#include "core/program.h"

namespace kelp {

namespace {

std::string Str(std::int64_t v) {
    return std::to_string(v);
}

int FilterCode(const FileSlot& s) {
    return s.Header.SettingsArea(s.SettingsLayout).HighPassFilter;
}

// The gain warning: empty for small gains and for the gain registered for this logger.
std::string GainWarning(const Program& p, const FileSlot& s) {
    if (s.Gain < 6 || !p.RegisteredGain) return "";
    const int registered = p.RegisteredGain(s.LoggerNumber);
    if (s.Gain == registered) return "";
    return "       WARNING: registered gain is " + Str(registered) + "!";
}

std::string DurationLimitLine(int minCycles) {
    std::string line = "    Duration limit " + Str(minCycles);
    if (minCycles >= 4) line += "      HIGH!";
    return line;
}

} // namespace

int FilterkHzOf(const FileSlot& s) {
    switch (FilterCode(s)) {
    case 0:
        return 80;
    case 1:
        return 40;
    case 2:
        return 20;
    case 3:
        return 10;
    default:
        return 0;
    }
}

std::vector<std::string> SessionLines(const Program& p, const FileSlot& s) {
    (void)p;
    std::vector<std::string> lines;
    const std::int64_t span = static_cast<std::int64_t>(s.LastMinute) - s.FirstMinute + 1;
    const std::int64_t spanDivisor = std::max<std::int64_t>(1, span);
    const bool kl3 = s.Kind == FileKind::KL3;
    lines.push_back("File " + Str(s.Index));
    lines.push_back(s.FullName);
    if (kl3) lines.push_back(" Train detection version " + Str(std::max(1, s.TdaVersion)));
    lines.push_back(" KELP " + Str(s.LoggerNumber) + "  Version " + Str(s.LoggerVersion) + ", made in " +
                    s.Header.YearMadeText());
    lines.push_back(" Running     from   " + DateTimeText(s.FirstMinute) + "    to    " +
                    DateTimeText(s.LastMinute));
    lines.push_back("                   time   " + DurationText(span));
    const std::int64_t logging = s.Header.LoggingMinutes();
    if (logging != 0)
        lines.push_back(" Logging     time   " + DurationText(logging) + "   (" +
                        Str(std::min<std::int64_t>(100, logging * 100 / spanDivisor)) + "%)");
    if (kl3)
        lines.push_back(
            " All clicks     (approx)  " +
            ThousandsText((s.FileSize - HeaderLength) / s.RecordLength + s.FirstMinute - s.LastMinute - 1));
    if (s.HeaderClickCount > 0) {
        lines.push_back(" raw clicks     (approx)  " + ThousandsText(s.HeaderClickCount));
        lines.push_back(" raw clicks/m (approx)  " + Str(s.HeaderClickCount / spanDivisor));
        if (kl3) {
            const double rate =
                (static_cast<double>(s.FileSize) / s.RecordLength - s.LastMinute + s.FirstMinute) * 100.0 /
                std::max<double>(1, s.HeaderClickCount);
            char text[64];
            std::snprintf(text, sizeof text, "%.2f", rate);
            lines.push_back(std::string(" Classification rate      ") + text + "%");
        }
    }
    if (s.FileSize > 999'999)
        lines.push_back(" File size " + ThousandsText(s.FileSize / 1'000'000) + "Mb");
    else
        lines.push_back(" File size " + ThousandsText(s.FileSize / 1000) + "Kb");
    return lines;
}

std::vector<std::string> SettingsLines(const Program& p, const FileSlot& s) {
    std::vector<std::string> lines;
    const SettingsAreaReading a = s.Header.SettingsArea(s.SettingsLayout);
    lines.push_back("    Minute click limit " + Str(s.MinuteClickLimit));
    lines.push_back("    Switch angle range " + Str(AngleCodeToDegrees(s.SwitchAngleMin)) + " to " +
                    Str(AngleCodeToDegrees(s.SwitchAngleMax)));
    switch (FilterCode(s)) {
    case 0:
        lines.push_back("    Filter 80kHz");
        break;
    case 1:
        lines.push_back("    Filter 40kHz");
        break;
    case 2:
        lines.push_back("    Filter 20kHz");
        break;
    case 3:
        lines.push_back("    Filter 10kHz");
        break;
    default:
        break;
    }
    const std::string warning = GainWarning(p, s);
    const std::string envelopeVersion = Str(s.Header.EnvelopeCodingKind());
    if (p.Options.DevelopmentMode && s.SettingsLayout == 0) {
        lines.push_back("    Gain, Hysteresis " + Str(a.Gain) + "," + Str(a.Hysteresis) + warning);
        lines.push_back("    Ppp S,mx,mn " + Str(a.StartSPL) + "," + Str(a.MaxSPL) + "," + Str(a.MinSPL));
        lines.push_back("    BW+ " + Str(a.BWThreshold));
        lines.push_back("    Frange " + Str(a.Stmin) + " to " + Str(a.Stmax));
        lines.push_back(DurationLimitLine(a.MinCycles));
        lines.push_back("    Setup file version " + Str(s.SettingsLayout));
        lines.push_back("    Envelope format version " + envelopeVersion);
    } else if (p.Options.DevelopmentMode) {
        lines.push_back("    Gain, Hysteresis " + Str(a.Gain) + "," + Str(a.Hysteresis));
        lines.push_back("    Ppp S,mx,mn " + Str(a.StartSPL) + "," + Str(a.MaxSPL) + "," + Str(a.MinSPL));
        lines.push_back("    BW+ " + Str(a.BWThreshold));
        lines.push_back("    Frange " + Str(a.Stmin) + " to " + Str(a.Stmax));
        lines.push_back(DurationLimitLine(a.MinCycles));
        lines.push_back("    HRI, Weak limit, Strong limit " + Str(a.HRIntercept) + "," + Str(a.LowBias) +
                        "," + Str(a.HighBias));
        lines.push_back("    Setup file version " + Str(s.SettingsLayout));
        lines.push_back("    Envelope format version " + envelopeVersion);
    } else {
        lines.push_back("    Gain" + Str(s.Gain) + warning);
    }
    lines.push_back("    duty cycle " + Str(s.MinutesPerMarker));
    if (p.Options.DevelopmentMode && s.SettingsLayout == 1) {
        const int tad = a.AlertingByte;
        if (tad == 0)
            lines.push_back("   TAD OFF");
        else if (tad >= 2 && tad <= 142)
            lines.push_back("   TAD frequency " + Str((tad & 127) * 10) +
                            (tad < 129 ? ",  Low power" : ", High power"));
        else
            lines.push_back(warning);
    }
    if (s.LandmarksMarked) lines.push_back("    Landmark sequences marked");
    return lines;
}

} // namespace kelp
