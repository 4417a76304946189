#include "analysis/correlation.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "analysis/analysis_page.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "display/geometry.h"
#include "display/navigation.h"
#include "display/time_scales.h"

namespace kelp {

std::string FileNotOpenText(int slot) {
    return "File " + std::to_string(slot) + " is not open";
}

int CorrelationBinMinutes(int timeScale, int minutesPerBin) {
    return timeScale == TideScale ? TideBinMinutes : std::max(1, minutesPerBin);
}

namespace {

std::string Decimals5(double v) {
    char text[48];
    std::snprintf(text, sizeof text, "%.5f", v);
    return text;
}

// A correlation coefficient from its sums, 0 when a series does not vary.
float Coefficient(double c, double s1, double s2) {
    if (s1 == 0 || s2 == 0) return 0.0f;
    return static_cast<float>(c / std::sqrt(s1 * s2));
}

// One pass of the cross-correlation: y behind x by m bins, for m = 0 .. lags.
std::vector<float> LaggedCorrelation(const std::vector<std::int32_t>& x, const std::vector<std::int32_t>& y,
                                     int lags, int q) {
    std::vector<float> result(static_cast<std::size_t>(lags) + 1, 0.0f);
    const double divisor = q - 1;
    double sumX = 0;
    for (int a = 1; a <= q; ++a) sumX += x[static_cast<std::size_t>(a)];
    const double meanX = sumX / divisor;
    for (int m = 0; m <= lags; ++m) {
        double sumY = 0;
        for (int a = 1; a <= q; ++a) sumY += y[static_cast<std::size_t>(m + a)];
        const double meanY = sumY / divisor;
        double sX = 0, sY = 0, c = 0;
        for (int a = 0; a < q; ++a) {
            const double dx = x[static_cast<std::size_t>(a)] - meanX;
            const double dy = y[static_cast<std::size_t>(m + a)] - meanY;
            sX += dx * dx;
            sY += dy * dy;
            c += dx * dy;
        }
        result[static_cast<std::size_t>(m)] = Coefficient(c, sX, sY);
    }
    return result;
}

} // namespace

CrossCorrelation CrossCorrelate(std::vector<std::int32_t> x, std::vector<std::int32_t> y, int i) {
    CrossCorrelation cc;
    cc.Bins = i;
    const std::size_t length = static_cast<std::size_t>(std::max(i, 0)) + 2;
    if (x.size() < length) x.resize(length, 0);
    if (y.size() < length) y.resize(length, 0);
    const int n = i + 1;
    // Three-bin rolling sums.
    for (std::vector<std::int32_t>* series : {&x, &y}) {
        const std::vector<std::int32_t> old = *series;
        if (old.size() > 2) (*series)[1] = 2 * old[1] + old[2];
        for (int k = 2; k <= n - 3; ++k)
            (*series)[static_cast<std::size_t>(k)] = old[static_cast<std::size_t>(k) - 1] +
                                                     old[static_cast<std::size_t>(k)] +
                                                     old[static_cast<std::size_t>(k) + 1];
    }
    cc.Lags = std::min(CrossOffsets, (i / 5) * 4);
    const int q = i - cc.Lags;
    if (cc.Lags < 1 || q < 2) return cc;
    const std::vector<float> a = LaggedCorrelation(x, y, cc.Lags, q); // file 2 behind file 1
    const std::vector<float> b = LaggedCorrelation(y, x, cc.Lags, q); // file 1 behind file 2
    cc.Function[CrossOffsets] = a[0];
    for (int m = 1; m <= cc.Lags; ++m) {
        cc.Function[static_cast<std::size_t>(CrossOffsets + m)] = a[static_cast<std::size_t>(m)];
        cc.Function[static_cast<std::size_t>(CrossOffsets - m)] = b[static_cast<std::size_t>(m)];
    }
    cc.PeakIndex = 0;
    cc.Peak = 0;
    for (int k = 0; k < static_cast<int>(cc.Function.size()); ++k)
        if (cc.Function[static_cast<std::size_t>(k)] > cc.Peak) {
            cc.Peak = cc.Function[static_cast<std::size_t>(k)];
            cc.PeakIndex = k;
        }
    cc.Level = static_cast<float>(2.0 / std::sqrt(static_cast<double>(cc.Lags)));
    return cc;
}

AutoCorrelation AutoCorrelate(std::vector<std::int32_t> x, int i) {
    AutoCorrelation ac;
    ac.Bins = i;
    if (x.size() < static_cast<std::size_t>(std::max(i, 0)) + 1)
        x.resize(static_cast<std::size_t>(std::max(i, 0)) + 1, 0);
    const int lastIndex = static_cast<int>(x.size()) - 1;
    const std::vector<std::int32_t> old = x;
    for (int k = 2; k <= std::min(lastIndex - 1, i - 3); ++k)
        x[static_cast<std::size_t>(k)] = old[static_cast<std::size_t>(k) - 1] +
                                         old[static_cast<std::size_t>(k)] +
                                         old[static_cast<std::size_t>(k) + 1];

    const int lags = std::min(1000, (i - 1) / 5 * 4);
    const int n = i - lags - 1;
    if (lags < 1 || n < 2) return ac;
    ac.Lags = lags;
    const double divisor = n - 1;
    double running = 0;
    for (int k = 0; k < n; ++k) running += x[static_cast<std::size_t>(k)];
    const double mean = running / divisor;
    std::vector<double> d(static_cast<std::size_t>(n));
    double s0 = 0;
    for (int k = 0; k < n; ++k) {
        d[static_cast<std::size_t>(k)] = x[static_cast<std::size_t>(k)] - mean;
        s0 += d[static_cast<std::size_t>(k)] * d[static_cast<std::size_t>(k)];
    }
    ac.Function.assign(static_cast<std::size_t>(lags), 0.0f);
    for (int k = 0; k < lags; ++k) {
        // The mean of the window x[k .. k + n - 1].
        const double laggedMean = running / divisor;
        double c = 0, sk = 0;
        for (int l = 0; l < n; ++l) {
            const double v = x[static_cast<std::size_t>(l + k)] - laggedMean;
            c += d[static_cast<std::size_t>(l)] * v;
            sk += v * v;
        }
        const float f = Coefficient(c, s0, sk);
        ac.Function[static_cast<std::size_t>(k)] = f;
        ac.Largest = std::max(ac.Largest, f);
        running += x[static_cast<std::size_t>(k + n)] - x[static_cast<std::size_t>(k)];
    }
    ac.Level = static_cast<float>(2.0 / std::sqrt(static_cast<double>(lags)));
    for (int e = 0; e <= std::min(900, lags - 1); ++e)
        if (ac.Function[static_cast<std::size_t>(e)] < ac.Level) {
            ac.Encounter = e;
            break;
        }
    return ac;
}

namespace {

// Counts the delivered clicks of a slot in bins of r markers from `from` on: series[j] for
// j = 1 .. bins - 1. Returns the last j reached.
int FillSeries(Program& p, Host& host, int slot, MinuteNumber from, int r, int phase, int bins,
               std::vector<std::int32_t>& series, const std::string& text) {
    PositionAt(p, host, from, 0);
    FileSlot& f = p.Slot(slot);
    host.StartProgress(text, p.SharedEnd, from);
    const std::int64_t step = p.SharedMinutes() / 100 + 1;
    std::int64_t sinceStep = 0;
    int j = 1;
    std::int32_t count = 0;
    while (f.MoreData && j < bins) {
        NextRecord(p, host, slot);
        if (IsClickType(f.NRType)) {
            if (f.Click.Time >= 1) ++count;
            continue;
        }
        if (f.NRType != TypeMinuteMarker) continue;
        if (phase % r == 0) {
            series[static_cast<std::size_t>(j++)] = count;
            count = 0;
        }
        ++phase;
        if (++sinceStep >= step) {
            sinceStep = 0;
            host.StepProgress(f.CurrentMinute);
            host.ProcessEvents();
        }
    }
    return j;
}

int PhaseAt(MinuteNumber minute, int r) {
    if (r == TideBinMinutes) return 0;
    return static_cast<int>(((minute % r) + r) % r);
}

// Limits the display to the scales the correlations work on; the bin size of the scale.
int PrepareScale(DisplayContext& ctx) {
    if (ctx.state.TimeScale < FirstCorrelationScale || ctx.state.TimeScale > LastCorrelationScale)
        SetTimeScale(ctx, FirstCorrelationScale);
    return CorrelationBinMinutes(ctx.state.TimeScale, ctx.state.MinutesPerBin);
}

void TooFewSamples(DisplayContext& ctx) {
    ctx.host.ShowTimedMessage(Message5s, TooFewSamplesText);
    ctx.host.StateChanged(changed::ShowFilesPage);
}

void SetCaptions(Program& p, Host& host, const char* cross, const char* autoCaption) {
    AnalysisPage& page = AnalysisPageOf(p);
    if (cross) page.CrossCorrelationCaption = cross;
    if (autoCaption) page.AutoCorrelationCaption = autoCaption;
    host.StateChanged(analysis_changed::Buttons);
}

// The bin size as the texts give it: with a duty cycle the bins hold r markers of D minutes.
std::string BinSizeLine(int r, int dutyCycle, const char* tail) {
    if (dutyCycle < 2) return "bin size   " + std::to_string(r) + tail;
    return "bin size   " + std::to_string(r * dutyCycle) +
           "min.   Duty cycle = " + std::to_string(dutyCycle) + "min";
}

void SetScreenLabels(DisplayContext& ctx, const FileSlot& f) {
    ctx.state.StartLabel = DateTimeText(f.ActiveStart);
    ctx.state.EndLabel = DateTimeText(f.ActiveEnd);
    ctx.host.StateChanged(display_changed::Labels);
}

void SetSourceList(Program& p, Host& host, std::vector<std::string> lines) {
    p.SourceBox = std::move(lines);
    host.StateChanged(changed::SourceBox);
}

} // namespace

CorrelationOutcome DoCrossCorrelation(DisplayContext& ctx) {
    Program& p = ctx.program;
    Host& host = ctx.host;
    CorrelationOutcome outcome;
    const FileSlot& a = p.Slot(1);
    const FileSlot& b = p.Slot(2);
    if (!a.IsOpen || !b.IsOpen || a.Kind != FileKind::KL3 || b.Kind != FileKind::KL3 ||
        !(a.LastMinute > b.FirstMinute)) {
        host.ShowTimedMessage(Message5s, KL3FilesMustOverlapText);
        return outcome;
    }
    const int r = PrepareScale(ctx);
    outcome.BinMinutes = r;
    const MinuteNumber end = std::min(a.ActiveEnd, b.ActiveEnd);
    const MinuteNumber start = std::max(a.ActiveStart, b.ActiveStart);
    if (static_cast<std::int64_t>(end) - start + 1 < 10LL * r) {
        TooFewSamples(ctx);
        return outcome;
    }
    SetCaptions(p, host, "wait", nullptr);
    const int n = static_cast<int>((static_cast<std::int64_t>(end) - start) / r);
    const int i = n - 1;
    const std::size_t length = std::max<std::size_t>(static_cast<std::size_t>(p.SharedMinutes() / r + 1),
                                                     static_cast<std::size_t>(i) + 2);
    std::vector<std::int32_t> x(length, 0), y(length, 0);
    // Both series start where both files have data, so that equal indexes are equal times.
    FillSeries(p, host, 1, start, r, PhaseAt(start, r), i, x, "reading data 1");
    FillSeries(p, host, 2, start, r, PhaseAt(start, r), i, y, "reading data 2");
    const CrossCorrelation cc = CrossCorrelate(std::move(x), std::move(y), i);
    outcome.Cross = cc;

    const int duty = ctx.state.MinutesPerMarker;
    const std::string peak = Decimals5(cc.Peak);
    const std::vector<std::string> texts = {
        "Cross-correlation of " + b.ShortName + " and " + a.ShortName,
        "Peak correlation at " + std::to_string(cc.PeakOffset() * r) + "mins",
        "Y axis = correlation,  X axis = time offset",
        BinSizeLine(r, duty, "min,  3 bin rolling average used"),
        "N (length) " + std::to_string(cc.Lags),
    };
    DrawCrossCorrelation(ctx, cc, r, texts);
    SetScreenLabels(ctx, a);

    const AnalysisPage& page = AnalysisPageOf(p);
    if (page.Options.ValuesInResults) {
        ResultsPage& results = host.Results();
        results.Clear();
        results.Append("Cross-correlation of " + a.ShortName + " and " + b.ShortName);
        results.Append("Start/end mins\t" + DateTimeText(p.SharedStart) + "\t" + DateTimeText(p.SharedEnd));
        results.Append("Bin size \t" + std::to_string(r * duty) + "\t" + "3 bin rolling average");
        results.Append(Decimals5(cc.Level) + " = 2/SqRt(N) = 95% significance level");
        results.Append("offset of max correlation\tValue");
        results.Append(std::to_string(cc.PeakOffset()) + "\t" + peak);
        results.Append("");
        // Every offset computed, -P .. +P bins.
        for (int k = CrossOffsets - cc.Lags; k <= CrossOffsets + cc.Lags; ++k)
            results.Append(Decimals5(cc.Function[static_cast<std::size_t>(k)]));
    }
    SetSourceList(p, host,
                  {"KELPn\tKELPn\toffset of max correlation\tValue",
                   std::to_string(b.LoggerNumber) + "\t" + std::to_string(a.LoggerNumber) + "\t" +
                       std::to_string(cc.PeakOffset() * r) + "\t" + peak,
                   page.Options.ValuesInResults
                       ? "Cross-correlation: results are listed on the Results page"
                       : "See 'data' on view + page for option to put values into Results page"});
    host.EndProgress("");
    SetCaptions(p, host, "cc.F", nullptr);
    outcome.Done = true;
    return outcome;
}

CorrelationOutcome DoAutocorrelation(DisplayContext& ctx) {
    Program& p = ctx.program;
    Host& host = ctx.host;
    CorrelationOutcome outcome;
    // The file whose band was last double-clicked, else file 1.
    int slot = BandAt(ctx.state, p, ctx.state.SelectedY);
    if (slot == 0) slot = 1;
    outcome.Slot = slot;
    if (!p.Slot(slot).IsOpen) {
        host.ShowTimedMessage(Message5s, FileNotOpenText(slot));
        return outcome;
    }
    const FileSlot& f = p.Slot(slot);
    const int r = PrepareScale(ctx);
    outcome.BinMinutes = r;
    if (p.SharedMinutes() < 10LL * r) {
        TooFewSamples(ctx);
        return outcome;
    }
    SetCaptions(p, host, nullptr, "wait");
    const int bins = static_cast<int>(p.SharedMinutes() / r);
    std::vector<std::int32_t> x(static_cast<std::size_t>(bins) + 1, 0);
    const int i =
        FillSeries(p, host, slot, p.SharedStart, r, PhaseAt(p.SharedStart, r), bins, x, "reading data");
    host.SetProgressLabel("calclulating ac.f");
    const AutoCorrelation ac = AutoCorrelate(std::move(x), i);
    outcome.Auto = ac;
    if (ac.Function.empty()) {
        // Too few bins were read for a single lag.
        SetCaptions(p, host, nullptr, "ac.f");
        TooFewSamples(ctx);
        return outcome;
    }
    if (!(ac.Largest > 0)) {
        SetCaptions(p, host, nullptr, "ac.f");
        host.EndProgress("");
        host.ShowTimedMessage(Message5s, AllValuesNilText);
        return outcome;
    }

    const int duty = ctx.state.MinutesPerMarker;
    const std::vector<std::string> texts = {
        f.ShortName,
        "X axis = time lag,  Y axis = correlation",
        "Encounter duration \t" + std::to_string(ac.Encounter * r) + "mins",
        BinSizeLine(r, duty, "min"),
        "N (length) " + std::to_string(ac.Lags),
    };
    DrawAutoCorrelation(ctx, ac, r, texts);
    SetScreenLabels(ctx, f);

    if (AnalysisPageOf(p).Options.ValuesInResults) {
        ResultsPage& results = host.Results();
        results.Clear();
        results.Append("Auto-correlation of " + f.ShortName);
        results.Append("Encounter duration \t" + std::to_string(ac.Encounter * r) + "\t" + "mins");
        results.Append("Start/end mins\t" + DateTimeText(p.SharedStart) + "\t" + DateTimeText(p.SharedEnd));
        results.Append("Bin size \t" + std::to_string(r * duty));
        results.Append("# marks first value below " + Decimals5(ac.Level) +
                       " = 2/SqRt(N) = 95% significance level");
        results.Append("");
        const int drawn = LastDrawnLag(ctx.state);
        const int listed = drawn >= ac.Lags ? ac.Lags : ac.Lags - 1; // lag P (0) when the graph shows it
        bool marked = false;
        for (int k = 0; k <= listed; ++k) {
            const float v = k < ac.Lags ? ac.Function[static_cast<std::size_t>(k)] : 0.0f;
            std::string line = Decimals5(v);
            if (!marked && k <= drawn && v < ac.Level) {
                line += "\t#";
                marked = true;
            }
            results.Append(line);
        }
    }
    SetSourceList(p, host, {"Auto-correlation: results are listed on the Results page"});
    host.EndProgress("");
    SetCaptions(p, host, nullptr, "ac.f");
    outcome.Done = true;
    return outcome;
}

} // namespace kelp
