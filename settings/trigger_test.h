#pragma once
// Trigger tests: recorded KL1 or KL2 files replayed through a trigger rule, so that
// trigger settings can be judged before they go onto a card. "Test trigger" applies the
// trigger settings of the Settings page; "Test FWC trigger" applies a rule on rising
// click amplitudes. Both read through the slot reader and list on the Results page.
#include <string>
#include <vector>

#include "core/host.h"
#include "core/program.h"

namespace kelp {

// Clicks counted in a minute above which "Test trigger" lists the minute.
inline constexpr int TriggerMinuteCount = 20;
// Lines on the Results page from which "Test trigger" lists no more minutes.
inline constexpr int TriggerResultsLines = 100;
// Ticks after the last rise within which the FWC rule keeps its run (250 ms).
inline constexpr int FWCRunTicks = 50'000;

// The window's request to show the "Trains" page when "Test trigger" ends.
inline constexpr const char* ShowTrainsPageChange = "show trains page";

// The development page's FWC box.
struct TriggerTestState {
    std::string FWCText = "50";
    int FWCThreshold = 50;
};
TriggerTestState& TriggerTestStateOf(Program& program);
// The FWC box changed: a text that is not a whole number puts "50" back.
void FWCBoxChange(Program& program, const std::string& text);

// "Test trigger": closes all files, asks for the files, copies the trigger settings into
// the click filters and lists the minutes with more than 20 clicks ending below the
// trigger's "kHz end". Returns the number of files processed.
int TestTriggerBtnClick(Program& program, Host& host);
// The same over files already chosen.
int TestTriggerOnFiles(Program& program, Host& host, const std::vector<std::string>& files);

// "Test FWC trigger" over the file in slot 1 from its start: one Results line per minute,
// minute number, "300" (flag on) or "0", and the minute's click count. False when slot 1
// holds no file.
bool TestFWCtriggerClick(Program& program, Host& host);

// The FWC rule on one minute's clicks, click by click.
class FWCTrigger {
public:
    explicit FWCTrigger(int threshold) : a_(threshold) { StartMinute(); }
    void StartMinute();
    void Click(int time, int spl);
    bool Flag() const { return flag_; }
    int Count() const { return count_; }

private:
    int a_;
    int t_ = 0; // threshold the next rise must pass
    int g_ = 0; // the last rise's step
    int r_ = 0; // time of the last rise, ticks
    bool flag_ = false;
    int count_ = 0;
};

} // namespace kelp
