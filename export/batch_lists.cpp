#include "export/batch_lists.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "core/codes.h"
#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/batch_jobs.h"
#include "export/export_page.h"
#include "export/number_text.h"

namespace kelp {

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

bool ListFileOf(Program& p, Host& h, const std::string& file, int) {
    if (!OpenDataFile(p, h, file, 1)) {
        h.Results().Append("ERROR " + file);
        return false;
    }
    h.Results().Append(ListFilesLine(p.Slot(1), p.Options.UseEndpoints));
    CloseDataFile(p, h, 1);
    return true;
}

bool ListSettingsOf(Program& p, Host& h, const std::string& file, int) {
    if (!OpenDataFile(p, h, file, 1)) {
        h.Results().Append("Failed to read " + ShortNameOf(file));
        return false;
    }
    h.Results().Append(ListSettingsLine(p.Slot(1)));
    CloseDataFile(p, h, 1);
    return true;
}

// Whether the file's records can hold the minutes `start` to `end` (its header's range, or its
// endpoints), one minute marker every MinutesPerMarker minutes. A damaged header (or a foreign
// file) can claim thousands of years, or endpoints that end before they start, which would fill
// the day table with days the file never logged or with negative days.
bool RecordsHoldRange(const FileSlot& s, MinuteNumber start, MinuteNumber end) {
    const std::int64_t span = static_cast<std::int64_t>(end) - start;
    const std::int64_t records = (s.FileSize - HeaderLength) / std::max(1, s.RecordLength);
    return span >= 0 && span <= records * std::max(1, s.MinutesPerMarker);
}

} // namespace

std::string ListFilesLine(const FileSlot& s, bool withEndpoints) {
    const MinuteNumber start = withEndpoints ? s.ActiveStart : s.FirstMinute;
    const MinuteNumber end = withEndpoints ? s.ActiveEnd : s.LastMinute;
    std::string line = s.ShortName + "\t'" + s.LoggerNumberText + "\t" + DateTimeText(start) + "\t" +
                       DateTimeText(end) + "\t" + std::to_string(start) + "\t" + std::to_string(end);
    if (withEndpoints) return line;
    const std::int64_t span = static_cast<std::int64_t>(s.LastMinute) - s.FirstMinute;
    // The records less the minute markers (one every MinutesPerMarker minutes) and the terminator.
    const std::int64_t records = (s.FileSize - HeaderLength) / std::max(1, s.RecordLength);
    const std::int64_t nclx = records - span / std::max(1, s.MinutesPerMarker) - 2;
    const double perDay =
        static_cast<double>(nclx) / (static_cast<double>(std::max<std::int64_t>(1, span)) / MinutesPerDay);
    line += "\t" + FixedDecimals(static_cast<double>(span) / MinutesPerDay, 2) + "\t" + std::to_string(nclx) +
            "\t" + FixedDecimals(perDay, 0) + "\t" + FixedDecimals(perDay / 24, 0);
    return line;
}

std::string ListSettingsLine(const FileSlot& s) {
    const DataFileHeader& header = s.Header;
    // The header bytes of the file as stored: 292 the envelope coding kind, 88 the minimum cycles
    // less 2, 89 the minimum SPL.
    const int tdaVersion = std::max(1, static_cast<int>(header.EnvelopeCodingKind()));
    const std::vector<std::string> fields{s.ShortName,
                                          s.LoggerNumberText,
                                          std::to_string(tdaVersion),
                                          std::to_string(s.FilterkHz) + "kHz",
                                          std::to_string(AngleCodeToDegrees(s.SwitchAngleMin)),
                                          std::to_string(AngleCodeToDegrees(s.SwitchAngleMax)),
                                          std::to_string(s.MinuteClickLimit),
                                          std::to_string(s.MinutesPerMarker),
                                          std::to_string(header.Bytes[88] + 2),
                                          std::to_string(header.Bytes[89]),
                                          std::to_string(s.Gain),
                                          s.Location,
                                          std::to_string(s.DeploymentDepth),
                                          std::to_string(s.WaterDepth),
                                          s.Latitude,
                                          s.Longitude,
                                          s.Notes};
    std::string line;
    for (std::size_t i = 0; i < fields.size(); ++i) line += (i ? "\t" : "") + fields[i];
    return line;
}

std::vector<std::string> ChooseBatchFiles(Program& p, Host& h, const char* title, const char* filter) {
    CloseAllFiles(p, h);
    FileDialogRequest request;
    request.Title = title;
    request.Filter = filter;
    request.MultiSelect = true;
    std::vector<std::string> files = h.OpenFileDialog(request);
    if (files.empty()) h.ShowTimedMessage(Message2s, BatchNoFilesText);
    return files;
}

BatchRunResult RunFileList(Program& p, Host& h, const std::vector<std::string>& files, int jobs,
                           std::string BatchPage::*button, const char* restCaption, const ListFileWork& work,
                           const char* closing) {
    CloseAllFiles(p, h);
    BatchRunResult result;
    result.Count = static_cast<int>(files.size());
    const int count = result.Count;
    const bool wasBatch = p.Options.BatchRunning;
    p.Options.BatchRunning = true;
    const auto caption = [&](int i) {
        BatchPageOf(p).*button = std::to_string(i + 1) + " of " + std::to_string(count);
        h.StateChanged(changed::ExportPage);
        h.ShowBatchFile(i + 1, count);
    };
    const bool parallel = jobs > 1 && count > 1;
    std::vector<char> failed(files.size(), 0);
    PerFileRun run;
    run.Count = count;
    run.Jobs = jobs;
    run.Work = [&](Program& wp, Host& wh, int i) {
        if (&wp == &p) caption(i);
        failed[static_cast<std::size_t>(i)] = !work(wp, wh, files[static_cast<std::size_t>(i)], i);
    };
    run.Done = [&](int i) {
        result.Failed += failed[static_cast<std::size_t>(i)];
        if (parallel && i + 1 < count) caption(i + 1);
        return true;
    };
    if (parallel) caption(0);
    const PerFileOutcome outcome = RunPerFile(p, h, run);
    result.Done = outcome.Done;
    result.Stopped = outcome.Stopped;
    p.Options.BatchRunning = wasBatch;
    BatchPageOf(p).*button = restCaption;
    h.StateChanged(changed::ExportPage);
    p.SourceBox.push_back(closing);
    if (result.Failed > 0) p.SourceBox.push_back(BatchFailureReport(result, "read"));
    h.StateChanged(changed::SourceBox);
    h.StateChanged(changed::ResultsPageToFront);
    return result;
}

BatchRunResult ListFiles(Program& p, Host& h, const std::vector<std::string>& files, int jobs) {
    h.Results().Append(p.Options.UseEndpoints ? ListFilesHeaderWithEndpoints : ListFilesHeader);
    return RunFileList(p, h, files, jobs, &BatchPage::ListFilesButton, ListFilesCaption, ListFileOf,
                       ListDoneText);
}

BatchRunResult ListSettings(Program& p, Host& h, const std::vector<std::string>& files, int jobs) {
    h.Results().Append(ListSettingsHeader);
    return RunFileList(p, h, files, jobs, &BatchPage::ListSettingsButton, ListSettingsCaption, ListSettingsOf,
                       ListDoneText);
}

BatchRunResult TabulateDays(Program& p, Host& h, const std::vector<std::string>& files, int jobs) {
    // The first pass: each file's first and last minute (its active range with endpoints).
    std::vector<std::pair<MinuteNumber, MinuteNumber>> ranges(files.size());
    std::vector<char> opened(files.size(), 0);
    const auto rangeOf = [&](Program& wp, Host& wh, const std::string& file, int index) {
        if (!OpenDataFile(wp, wh, file, 1)) {
            wh.Results().Append("ERROR " + file);
            return false;
        }
        const FileSlot& s = wp.Slot(1);
        const auto range = wp.Options.UseEndpoints ? std::make_pair(s.ActiveStart, s.ActiveEnd)
                                                   : std::make_pair(s.FirstMinute, s.LastMinute);
        if (!RecordsHoldRange(s, range.first, range.second)) {
            wh.Results().Append("ERROR " + file + TabulateDaysBadRangeText);
            CloseDataFile(wp, wh, 1);
            return false;
        }
        const auto i = static_cast<std::size_t>(index);
        ranges[i] = range;
        opened[i] = 1;
        CloseDataFile(wp, wh, 1);
        return true;
    };
    h.Results().Append(TabulateDaysHeader);
    const BatchRunResult result = RunFileList(p, h, files, jobs, &BatchPage::TabulateDaysButton,
                                              TabulateDaysDoneCaption, rangeOf, ListDoneText);
    // The second pass: every file's minutes into the days they fall on.
    std::map<std::int64_t, std::int64_t> minutes;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!opened[i]) continue;
        const auto [start, end] = ranges[i];
        const std::int64_t first = FloorDiv(start, MinutesPerDay), last = FloorDiv(end, MinutesPerDay);
        for (std::int64_t day = first; day <= last; ++day) minutes[day] += MinutesPerDay;
        minutes[first] -= start - first * MinutesPerDay;
        minutes[last] += end - last * MinutesPerDay - MinutesPerDay;
    }
    if (!minutes.empty())
        for (std::int64_t day = minutes.begin()->first; day <= minutes.rbegin()->first; ++day) {
            const auto found = minutes.find(day);
            const double value = found == minutes.end() ? 0.0 : static_cast<double>(found->second);
            h.Results().Append(DateTimeText(static_cast<MinuteNumber>(day * MinutesPerDay)) + "\t" +
                               FixedDecimals(value / MinutesPerDay, 2));
        }
    return result;
}

BatchRunResult ListFilesBtnClick(Program& p, Host& h, int jobs) {
    const auto files = ChooseBatchFiles(p, h, ListOpenTitle);
    return files.empty() ? BatchRunResult{} : ListFiles(p, h, files, jobs);
}

BatchRunResult ListSettingsBtnClick(Program& p, Host& h, int jobs) {
    const auto files = ChooseBatchFiles(p, h, ListOpenTitle);
    return files.empty() ? BatchRunResult{} : ListSettings(p, h, files, jobs);
}

BatchRunResult TabulateDaysBtnClick(Program& p, Host& h, int jobs) {
    const auto files = ChooseBatchFiles(p, h, ListOpenTitle);
    return files.empty() ? BatchRunResult{} : TabulateDays(p, h, files, jobs);
}

} // namespace kelp
