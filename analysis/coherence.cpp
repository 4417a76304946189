// "coherence": the amplitudes of file 1 in groups of 256 clicks, with their mode, median,
// mean and upper centiles, on the Results page.
#include <algorithm>
#include <array>
#include <string>

#include "analysis/analysis_page.h"
#include "analysis/correlation.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"

namespace kelp {

namespace {

constexpr std::size_t CoherenceLineLimit = 500;

// 4 x the 1-based bin at which the running count first exceeds `count`.
int BinAbove(const std::array<std::int64_t, 64>& h, std::int64_t count) {
    std::int64_t sum = 0;
    for (int i = 0; i < 64; ++i) {
        sum += h[static_cast<std::size_t>(i)];
        if (sum > count) return 4 * (i + 1);
    }
    return 0;
}

} // namespace

void CoherenceBtnClick(Program& p, Host& host) {
    FileSlot& f = p.Slot(1);
    if (!f.IsOpen) {
        host.ShowTimedMessage(Message5s, FileNotOpenText(1));
        return;
    }
    AnalysisPage& page = AnalysisPageOf(p);
    page.CoherenceCaption = "wait";
    host.StateChanged(analysis_changed::Buttons);
    ResultsPage& results = host.Results();
    results.Append("Time\tSecs\tMode\tMedian\tMean\t200th\t250th");
    const bool apostrophe = p.Options.ApostropheBeforeTimes;
    auto prefix = [&] { return ClickTimeText({f.CurrentMinute, f.Click.Time}, apostrophe) + "\t"; };
    std::string linePrefix = prefix();
    std::int32_t groupStart = f.Click.Time;
    std::array<std::int64_t, 64> h{};
    std::int64_t sum = 0;
    std::int64_t count = 0;
    while (f.MoreData && results.Lines().size() < CoherenceLineLimit) {
        NextRecord(p, host, 1);
        if (f.NRType < TypeFiller && count > 255) {
            std::int64_t largest = 0;
            for (std::int64_t c : h) largest = std::max(largest, c);
            int mode = 0;
            for (int i = 0; i < 64; ++i)
                if (h[static_cast<std::size_t>(i)] == largest) mode = 4 * (i + 1);
            results.Append(linePrefix + std::to_string((f.Click.Time - groupStart) / 200) + "\t" +
                           std::to_string(mode) + "\t" + std::to_string(BinAbove(h, 127)) + "\t" +
                           std::to_string(sum / 256) + "\t" + std::to_string(BinAbove(h, 199)) + "\t" +
                           std::to_string(BinAbove(h, 249)));
            groupStart = f.Click.Time;
            h.fill(0);
            sum = 0;
            count = 0;
            page.CoherenceCaption = std::to_string(results.Lines().size());
            host.StateChanged(analysis_changed::Buttons);
            linePrefix = prefix();
        }
        // Every record read counts the slot's current amplitude, minute markers included.
        if (f.Click.SPL > 0) {
            ++h[static_cast<std::size_t>(std::min(255, f.Click.SPL) / 4)];
            ++count;
            sum += f.Click.SPL;
        }
    }
    page.CoherenceCaption = "Coherence vals";
    host.StateChanged(analysis_changed::Buttons);
}

} // namespace kelp
