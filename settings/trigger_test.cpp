#include "settings/trigger_test.h"

#include <charconv>
#include <cstdlib>

#include "core/file_io.h"
#include "core/filters.h"
#include "core/reader.h"
#include "core/slots.h"
#include "settings/settings_page.h"

namespace kelp {

TriggerTestState& TriggerTestStateOf(Program& program) {
    return program.State<TriggerTestState>();
}

void FWCBoxChange(Program& program, const std::string& text) {
    auto& state = TriggerTestStateOf(program);
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        state.FWCText = "50";
        state.FWCThreshold = 50;
        return;
    }
    state.FWCText = text;
    state.FWCThreshold = value;
}

void FWCTrigger::StartMinute() {
    g_ = 0;
    flag_ = false;
    r_ = TicksPerMinute;
    count_ = 0;
    t_ = a_;
}

void FWCTrigger::Click(int time, int spl) {
    ++count_;
    if (time - r_ > FWCRunTicks) {
        g_ = 0;
        r_ = time;
        t_ = a_;
    }
    if (spl > t_) {
        // A second rise by nearly the same step marks the minute.
        if (g_ > 0 && std::abs(t_ + g_ - spl) < spl / 8) flag_ = true;
        if (t_ > a_) g_ = spl - t_;
        t_ = spl;
        r_ = time;
    }
}

namespace {

void SetSourceBox(Program& program, Host& host, std::vector<std::string> lines) {
    program.SourceBox = std::move(lines);
    host.StateChanged(changed::SourceBox);
}

// Reads slot 1 from its start and lists the minutes in which more than 20 clicks end
// below `endkHz`, by the time at which the minute ends.
void ListTriggerMinutes(Program& program, Host& host, int endkHz) {
    FileSlot& slot = program.Slot(1);
    PositionAt(program, host, slot.FirstMinute, 0);
    const bool apostrophe = program.Options.ApostropheBeforeTimes;
    int count = 0;
    auto endOfMinute = [&](const ClickTime& position) {
        if (count > TriggerMinuteCount && host.Results().Lines().size() < TriggerResultsLines)
            host.Results().Append(ClickTimeText(position, apostrophe));
        count = 0;
    };
    while (slot.MoreData) {
        NextRecord(program, host, 1);
        if (slot.NRType < FirstTrainId) {
            if (slot.Click.EndkHz < endkHz) ++count;
        } else if (slot.NRType == TypeMinuteMarker) {
            endOfMinute({slot.CurrentMinute, slot.Click.Time});
        }
    }
    // The last minute ends with the data rather than with a marker.
    endOfMinute({slot.CurrentMinute + slot.MinutesPerMarker, 0});
}

} // namespace

int TestTriggerOnFiles(Program& program, Host& host, const std::vector<std::string>& files) {
    const LoggerSettings& s = SettingsPageOf(program).Settings;
    EnterFilterText(program, host, FilterBox::AmplitudeMin, std::to_string(s.TriggerSPL));
    EnterFilterText(program, host, FilterBox::FrequencyMin, std::to_string(s.TriggerkHzStart));
    EnterFilterText(program, host, FilterBox::DurationMin, std::to_string(s.TriggerMinCycles));
    const int endkHz = s.TriggerkHzEnd;

    const bool wasBatch = program.Options.BatchRunning;
    program.Options.BatchRunning = true; // no per-file page changes while the files go through slot 1
    const int n = static_cast<int>(files.size());
    int processed = 0;
    for (int i = 0; i < n; ++i) {
        const std::string& name = files[static_cast<std::size_t>(i)];
        const std::int64_t size = std::max<std::int64_t>(0, FileSizeOf(name));
        SetSourceBox(
            program, host,
            {std::to_string(i) + " of " + std::to_string(n - 1) + "   " + std::to_string(size / 4096)});
        host.ProcessEvents();
        if (host.EscapeHeld() || host.StopRequested()) break;
        if (!OpenDataFile(program, host, name, 1)) continue;
        ListTriggerMinutes(program, host, endkHz);
        CloseDataFile(program, host, 1);
        ++processed;
    }
    program.Options.BatchRunning = wasBatch;
    SetSourceBox(program, host,
                 {"Batch process completed. Summary on Results page",
                  "Files processed\t" + std::to_string(processed) + "/" + std::to_string(n)});
    host.StateChanged(ShowTrainsPageChange);
    return processed;
}

int TestTriggerBtnClick(Program& program, Host& host) {
    CloseAllFiles(program, host);
    FileDialogRequest request;
    request.Title = "Select one or more files to process";
    request.Filter = "KELP data files (*.KL1, *.KL2)|*.KL1;*.KL2;*.kl1;*.kl2|All files|*.*";
    request.MultiSelect = true;
    const auto files = host.OpenFileDialog(request);
    if (files.empty()) {
        host.ShowTimedMessage(Message2s, "No files selected");
        return 0;
    }
    return TestTriggerOnFiles(program, host, files);
}

bool TestFWCtriggerClick(Program& program, Host& host) {
    FileSlot& slot = program.Slot(1);
    if (!slot.IsOpen) {
        host.ShowMessage("File 1 must be open");
        return false;
    }
    FWCTrigger rule(TriggerTestStateOf(program).FWCThreshold);
    PositionAt(program, host, slot.FirstMinute, 0);
    // Each line names the minute its counts belong to; the marker that closes a minute
    // already carries the next minute.
    MinuteNumber minute = slot.CurrentMinute;
    bool inMinute = slot.MoreData;
    auto listMinute = [&] {
        host.Results().Append(std::to_string(minute) + "\t" + (rule.Flag() ? "300" : "0") + "\t" +
                              std::to_string(rule.Count()));
    };
    while (slot.MoreData) {
        NextRecord(program, host, 1);
        if (slot.NRType < FirstTrainId) {
            rule.Click(slot.Click.Time, slot.Click.SPL);
        } else if (slot.NRType == TypeMinuteMarker) {
            listMinute();
            rule.StartMinute();
            minute = slot.CurrentMinute;
            inMinute = slot.MoreData; // a marker past the shared range opens no minute
        }
    }
    if (inMinute) listMinute(); // the last minute ends with the data
    program.SourceBox.push_back("...processing complete...");
    host.StateChanged(changed::SourceBox);
    return true;
}

} // namespace kelp
