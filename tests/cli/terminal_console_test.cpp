#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "cli/terminal_console.h"
#include "core/unfinished_files.h"

namespace kelp::cli {
namespace {

using namespace std::chrono_literals;

// A console on a recorded terminal of 100 columns with a clock the test moves.
struct RecordedConsole {
    std::string Written;
    std::vector<std::string> Ends;
    TerminalConsole::Clock::time_point Now{};
    TerminalConsole Console;

    explicit RecordedConsole(bool drawBar = true) : Console(Options(drawBar)) {}

    TerminalConsole::Options Options(bool drawBar) {
        TerminalConsole::Options o;
        o.DrawBar = drawBar;
        o.Write = [this](const std::string& text) { Written += text; };
        o.Width = [] { return 100; };
        o.Now = [this] { return Now; };
        o.End = [this](const std::string& reason) { Ends.push_back(reason); };
        return o;
    }
    // The bar's lines drawn so far.
    int Frames() const {
        int n = 0;
        for (std::size_t i = Written.find('\r'); i != std::string::npos; i = Written.find('\r', i + 1))
            if (i + 1 < Written.size() && Written[i + 1] != ' ' && Written[i + 1] != '\r') ++n;
        return n;
    }
};

TEST(TerminalConsole, DrawsAFewTimesASecondAndTakesTheBarAwayForMessagesAndAtTheEnd) {
    RecordedConsole t;
    HeadlessHost host; // reports to no console: the test calls the console itself
    t.Console.ProgressStarted(&host, "... mapping file ...", 1000, 0);
    EXPECT_EQ(t.Written, "\r... mapping file ...  [....................]   0%  0:00 elapsed");
    t.Now += 100ms;
    t.Console.ProgressStepped(&host, 100);
    EXPECT_EQ(t.Frames(), 1); // too soon
    t.Now += 200ms;
    t.Console.ProgressStepped(&host, 500);
    EXPECT_EQ(t.Frames(), 2);
    EXPECT_NE(t.Written.find("[##########..........]  50%  0:00 elapsed"), std::string::npos);

    t.Written.clear();
    t.Console.WriteText("a message\n");
    const std::string blank(63, ' ');
    EXPECT_EQ(t.Written, "\r" + blank + "\ra message\n");

    t.Now += 2s;
    t.Console.BatchFile(2, 3);
    t.Console.ProgressLabel(&host, "01/07/2024 12:00");
    EXPECT_NE(
        t.Written.find("\r... mapping file ...  01/07/2024 12:00  [#####.....]  50%  0:02 elapsed  0:02 "
                       "left  file 2 of 3"),
        std::string::npos);

    t.Written.clear();
    t.Console.ProgressEnded(&host);
    EXPECT_EQ(t.Written.front(), '\r');
    EXPECT_EQ(t.Written.back(), '\r');
    EXPECT_EQ(t.Written.find_first_not_of("\r "), std::string::npos);

    // Without a terminal, or with --quiet, no bar at all.
    for (const bool quiet : {false, true}) {
        RecordedConsole silent(quiet);
        silent.Console.SetQuiet(quiet);
        silent.Console.ProgressStarted(&host, "x", 10, 0);
        silent.Now += 1s;
        silent.Console.ProgressStepped(&host, 5);
        silent.Console.ProgressEnded(&host);
        silent.Console.WriteText("m\n");
        EXPECT_EQ(silent.Written, "m\n");
    }
}

TEST(TerminalConsole, ABatchWhoseFilesShowNoProgressOfTheirOwnShowsTheFilesDone) {
    RecordedConsole t;
    t.Console.BatchFile(1, 4);
    t.Now += 2s;
    t.Console.BatchFile(3, 4);
    EXPECT_EQ(t.Written, "\r[....................]   0%  0:00 elapsed  file 1 of 4"
                         "\r[##########..........]  50%  0:02 elapsed  0:02 left  file 3 of 4");
    RecordedConsole single;
    single.Console.BatchFile(1, 1);
    EXPECT_EQ(single.Written, "");
}

TEST(TerminalConsole, CtrlCStopsAtTheOperationsStopOrEndsItAtItsNextEventPoint) {
    // I: Ctrl+C, E: an event point, S: the operation asks whether to stop, t and T: 1 s and
    // 2 s pass and the watcher ticks, C and c: a change of a file in place begins and ends.
    const struct {
        const char* Events;
        bool Ended;
        bool StopSeen;
    } cases[] = {
        {"EESEE", false, false},                          // no Ctrl+C: nothing happens
        {"IES", false, true},                             // looks after its event point, as a download does
        {"ISEEE", false, true},                           // looks before it
        {"IEE", true, false},                             // an operation with no stop of its own
        {"EIEE", true, false},   {"IESI", true, true},    // a second Ctrl+C ends the run at once
        {"ItE", false, false},   {"IT", true, false},     // not taken within 2 s: ended then
        {"ISTT", false, true},                            // taken: it winds down in its own time
        {"ICEEE", false, false}, {"ICEEcE", true, false}, // a file's change is never cut short
    };
    for (const auto& c : cases) {
        RecordedConsole t;
        bool stopSeen = false;
        std::optional<FileChangeScope> change;
        for (const char* e = c.Events; *e; ++e) {
            if (*e == 'I') t.Console.Interrupt();
            if (*e == 'E') t.Console.EventPoint();
            if (*e == 'S') stopSeen = t.Console.StopAsked() || stopSeen;
            if (*e == 't' || *e == 'T') {
                t.Now += *e == 't' ? 1s : 2s;
                t.Console.Tick();
            }
            if (*e == 'C') change.emplace();
            if (*e == 'c') change.reset();
        }
        EXPECT_EQ(t.Ends.size(), c.Ended ? 1u : 0u) << c.Events;
        EXPECT_EQ(stopSeen, c.StopSeen) << c.Events;
        EXPECT_EQ(t.Console.StopTaken(), c.StopSeen) << c.Events;
        EXPECT_EQ(t.Console.Interrupted(), std::string(c.Events).find('I') != std::string::npos);
    }
    RecordedConsole t;
    t.Console.Terminate();
    EXPECT_EQ(t.Ends, std::vector<std::string>{"Stopped by a termination signal."});
}

} // namespace
} // namespace kelp::cli
