#include "export/minute_listings.h"

#include <algorithm>
#include <array>
#include <string>

#include "core/codes.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"
#include "export/batch_lists.h"
#include "export/batch_page.h"
#include "export/export_page.h"
#include "export/number_text.h"

namespace kelp {

namespace {

constexpr int MinuteEndCode = 183;

// The time lost of a minute in per cent, when its click limit was reached.
std::int64_t TimeLostPercent(const MinuteMarker& m) {
    if (!m.LimitReached) return 0;
    return RoundToInt(std::max(0, MinuteEndCode - m.LastClickTime) / 1.83);
}

void SetCaption(Program& p, Host& h, std::string BatchPage::*button, const char* caption) {
    BatchPageOf(p).*button = caption;
    h.StateChanged(changed::ExportPage);
}

// Steps the progress over the minutes read; true when ESC or a stop ends the listing.
class ListingProgress {
public:
    ListingProgress(Host& h, const std::string& caption, std::int64_t first, std::int64_t last)
        : h_(h), first_(first), step_(std::max<std::int64_t>(1, (last - first + 1) / 100)),
          next_(first + step_) {
        h_.StartProgress(caption, std::max<std::int64_t>(1, last - first + 1), 0);
    }
    ~ListingProgress() { h_.EndProgress(""); }
    bool Stop(std::int64_t minute) {
        if (minute < next_) return false;
        next_ += step_;
        h_.StepProgress(minute - first_);
        h_.ProcessEvents();
        return h_.EscapeHeld() || h_.StopRequested();
    }

private:
    Host& h_;
    std::int64_t first_;
    std::int64_t step_;
    std::int64_t next_;
};

} // namespace

bool ListMinuteSummaries(Program& p, Host& h, int slotIndex, ClickTime from, ClickTime to) {
    FileSlot& s = p.Slot(slotIndex);
    if (!s.IsOpen) return false;
    const bool kl3 = s.Kind == FileKind::KL3;
    if (!BatchPageOf(p).OmitSpreadsheetHeaders) h.Results().Append(s.ShortName);
    h.Results().Append(kl3 ? MinuteSummariesKL3Header : MinuteSummariesHeader);
    PositionAt(p, h, from.Minute, from.Time);
    ListingProgress progress(h, "Minute summaries of " + s.ShortName, from.Minute, to.Minute);
    // The minute positioned at is the one before the first line.
    std::int64_t timeLost = TimeLostPercent(s.Marker);
    std::array<std::int64_t, 4> byQuality{};
    while (s.MoreData && IsBefore({s.CurrentMinute, s.Click.Time}, to)) {
        NextRecord(p, h, slotIndex);
        const int type = s.NRType;
        if (type < 128) {
            if (type >= FirstTrainId && s.Click.Time >= 1)
                ++byQuality[static_cast<std::size_t>(s.Click.Quality & 3)];
            continue;
        }
        if (type != TypeMinuteMarker || !s.MoreData) {
            if (type == TypeFiller) continue;
            break;
        }
        const MinuteMarker& m = s.Marker;
        std::string line = DateTimeText(s.CurrentMinute) + "\t" +
                           std::to_string(AngleCodeToDegrees(m.Angle)) + "\t" +
                           FixedDecimals(m.Temperature / 5.0, 1);
        if (kl3) {
            line += "\t" + std::to_string(m.LastClickTime) + "\t" + std::to_string(timeLost) + "\t" +
                    std::to_string(m.NClicks);
            for (int q : {QualityHi, QualityMod, QualityLo, QualityUnknown})
                line += "\t" + std::to_string(byQuality[static_cast<std::size_t>(q)]);
        }
        h.Results().Append(line);
        byQuality = {};
        timeLost = TimeLostPercent(m);
        if (progress.Stop(s.CurrentMinute)) break;
    }
    return true;
}

bool ExportRawFileBtnClick(Program& p, Host& h, int slot, ClickTime from, ClickTime to) {
    if (slot < 1 || slot > SlotCount || !p.Slot(slot).IsOpen) slot = 1;
    if (!p.Slot(slot).IsOpen) {
        h.ShowMessage(FileOneNotOpenText);
        return false;
    }
    SetCaption(p, h, &BatchPage::MinuteSummariesButton, MinuteSummariesBusyCaption);
    ListMinuteSummaries(p, h, slot, from, to);
    SetCaption(p, h, &BatchPage::MinuteSummariesButton, MinuteSummariesCaption);
    h.StateChanged(changed::ResultsPageToFront);
    return true;
}

int ExportTADICIsbtnClick(Program& p, Host& h) {
    if (!h.AskYesNo(TadQuestionText)) return -1;
    FileSlot& s = p.Slot(1);
    if (!s.IsOpen) {
        h.ShowMessage(FileOneNotOpenText);
        return -1;
    }
    SetCaption(p, h, &BatchPage::TadMinsButton, TadMinsBusyCaption);
    PositionAt(p, h, p.SharedStart, 0);
    int listed = 0;
    {
        ListingProgress progress(h, "TAD minutes of " + s.ShortName, p.SharedStart, p.SharedEnd);
        std::int64_t minute = s.CurrentMinute;
        std::int32_t previous = 0;
        std::int64_t count = 0;
        while (s.MoreData) {
            NextRecord(p, h, 1);
            const int type = s.NRType;
            if (type < 128) {
                if (type >= FirstTrainId || s.Click.Time < 1) continue;
                const std::int32_t interval = s.Click.Time - previous;
                if (interval >= TadIntervalMin && interval <= TadIntervalMax) ++count;
                previous = s.Click.Time;
                continue;
            }
            if (type == TypeFiller) continue;
            // The minute just ended is listed under its own time.
            if (count > 2) {
                h.Results().Append(DateTimeText(static_cast<MinuteNumber>(minute)) + "\t" +
                                   std::to_string(minute) + "\t" + std::to_string(count));
                ++listed;
            }
            previous = 0;
            count = 0;
            if (type != TypeMinuteMarker || !s.MoreData) break;
            minute = s.CurrentMinute;
            if (progress.Stop(minute)) break;
        }
    }
    SetCaption(p, h, &BatchPage::TadMinsButton, TadMinsCaption);
    h.StateChanged(changed::ResultsPageToFront);
    return listed;
}

} // namespace kelp
