#include "export/export_page.h"

#include "core/host.h"
#include "core/program.h"

namespace kelp {

namespace {

constexpr int PeriodMessageMs = Message3s;

constexpr std::array<const char*, ExportItemCount> ItemNames{"clicks",   "dpm", "dp10m", "dph",
                                                             "duration", "ici", "noise", "conditions"};
constexpr std::array<const char*, ExportPeriodCount> PeriodNames{"1min",  "10min", "hours",
                                                                 "tides", "days",  "all"};

void EnableForItem(ExportPage& page) {
    switch (page.DataItem) {
    case ExportItem::TrainDuration:
        break; // leaves the boxes as they are
    case ExportItem::ClickRepeat:
        page.OmitNegativeEnabled = false;
        page.PeriodEnabled = false;
        break;
    default:
        page.OmitNegativeEnabled = true;
        page.PeriodEnabled = true;
        page.OneFileEnabled = true;
        break;
    }
}

// The message of a period too short for the item, or nullptr.
const char* TooShortText(const ExportPage& page) {
    if (page.DataItem == ExportItem::Dp10m && page.Period == ExportPeriod::OneMinute)
        return PeriodChangedForDp10mText;
    if (page.DataItem == ExportItem::Dph && page.Period <= ExportPeriod::TenMinutes)
        return PeriodChangedForDphText;
    return nullptr;
}

} // namespace

ExportPage& ExportPageOf(Program& program) {
    return program.State<ExportPage>();
}

void ChooseDataItem(ExportPage& page, ExportItem item) {
    page.DataItem = item;
    EnableForItem(page);
    if (TooShortText(page)) page.Period = ExportPeriod::Days;
}

void ChoosePeriod(ExportPage& page, Host& host, ExportPeriod period) {
    page.Period = period;
    if (const char* text = TooShortText(page)) {
        host.ShowTimedMessage(PeriodMessageMs, text);
        page.Period = ExportPeriod::Days;
    }
}

void ChooseTo(ExportPage& page, ExportTo to) {
    page.To = to;
    if (to == ExportTo::Results) page.OneFile = true;
}

bool AdjustExportPage(ExportPage& page, Host& host) {
    EnableForItem(page);
    const ExportPeriod before = page.Period;
    ChoosePeriod(page, host, page.Period);
    return page.Period == before;
}

bool FullDetailsAvailable(const Program& program) {
    return program.Options.DevelopmentMode;
}

const char* ExportItemName(ExportItem item) {
    return ItemNames[static_cast<std::size_t>(item)];
}

const char* ExportPeriodName(ExportPeriod period) {
    return PeriodNames[static_cast<std::size_t>(period)];
}

bool ParseExportItem(const std::string& name, ExportItem& item) {
    for (int i = 0; i < ExportItemCount; ++i)
        if (name == ItemNames[static_cast<std::size_t>(i)]) {
            item = static_cast<ExportItem>(i);
            return true;
        }
    return false;
}

bool ParseExportPeriod(const std::string& name, ExportPeriod& period) {
    for (int i = 0; i < ExportPeriodCount; ++i)
        if (name == PeriodNames[static_cast<std::size_t>(i)]) {
            period = static_cast<ExportPeriod>(i);
            return true;
        }
    return false;
}

} // namespace kelp
