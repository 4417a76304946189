#pragma once
// kelp-cli's terminal: the progress bar of the running operation on stderr (only while
// stderr is a terminal, and not with --quiet) and Ctrl+C, which plays the part of the
// window's ESC key.
//
// Ctrl+C asks the operation to stop. An operation that looks for ESC or a stop request
// stops there, as it does in the window, and keeps what it keeps then (a download closes
// the file written so far). An operation that goes on to its next event point without
// looking has no stop of its own: it is ended there, and the files it was writing are
// removed; so is one that has not looked within StopWithin. A second Ctrl+C (or a
// termination signal) ends the run at once in the same way. A file being changed in place
// is first left changed or as it was (FileChangeScope). Either way kelp-cli exits with
// status 1.
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <streambuf>
#include <string>
#include <vector>

#include "core/headless_host.h"

namespace kelp::cli {

class TerminalConsole : public HeadlessConsole {
public:
    using Clock = std::chrono::steady_clock;
    struct Options {
        bool DrawBar = false; // stderr is a terminal
        // Where the bar and the messages go (default: file descriptor 2).
        std::function<void(const std::string&)> Write;
        // The terminal's width in columns (default: asked of stderr, else 80).
        std::function<int()> Width;
        std::function<Clock::time_point()> Now;
        // Ends the run at once, saying why (default: removes the unfinished files, names
        // them and exits with status 1).
        std::function<void(const std::string& reason)> End;
        std::chrono::milliseconds RedrawEvery{250};
        std::chrono::milliseconds StopWithin{2000};
    };

    explicit TerminalConsole(Options options);

    // --quiet: no bar.
    void SetQuiet(bool quiet);

    // Ctrl+C; a second one ends the run at once.
    void Interrupt();
    // A termination signal: the run ends at once.
    void Terminate();
    // Ctrl+C was pressed during the run.
    bool Interrupted() const;
    // The operation took Ctrl+C as its stop (it asked, and stopped early); one that never
    // asked ran to its end.
    bool StopTaken() const;
    // Called a few times a second: ends the run when Ctrl+C was not taken within StopWithin.
    void Tick();

    // Text for stderr, or for stdout on the same terminal: the bar makes room for it first.
    void WriteText(const std::string& text);
    void WriteResults(const std::string& text);
    // The run is over: the bar is taken away.
    void Finish();

    void ProgressStarted(const HeadlessHost* host, const std::string& caption, std::int64_t total,
                         std::int64_t start) override;
    void ProgressStepped(const HeadlessHost* host, std::int64_t value) override;
    void ProgressLabel(const HeadlessHost* host, const std::string& text) override;
    void ProgressEnded(const HeadlessHost* host) override;
    void BatchFile(int number, int count) override;
    void EventPoint() override;
    bool StopAsked() override;

private:
    struct Activity {
        std::string Caption;
        std::string Label;
        std::int64_t Total = 0;
        std::int64_t Start = 0;
        std::int64_t Value = 0;
        Clock::time_point Began;
        std::uint64_t Order = 0;
    };

    // Called with the mutex held.
    void DrawIfDue();
    void Draw();
    void Erase();
    // Takes the bar away and ends the run.
    void EndNow(const std::string& reason);

    Options options_;
    mutable std::mutex mutex_;
    bool quiet_ = false;
    std::map<const HeadlessHost*, Activity> active_;
    std::uint64_t nextOrder_ = 0;
    int fileNumber_ = 0;
    int fileCount_ = 0;
    Clock::time_point batchBegan_;
    bool drawnOnce_ = false;
    Clock::time_point lastDraw_;
    std::size_t drawnLength_ = 0; // columns the bar covers now (0: none drawn)
    std::string drawnLine_;
    int interrupts_ = 0;
    Clock::time_point interruptedAt_;
    bool taken_ = false;
    int eventPointsSinceInterrupt_ = 0;
    bool ending_ = false;
};

// A stream buffer that writes through the console, so that neither messages (stderr)
// nor results on the same terminal (stdout) run into the bar. Stdout goes out by lines.
class ConsoleStreamBuf : public std::streambuf {
public:
    enum class Target { Messages, Results };
    ConsoleStreamBuf(TerminalConsole& console, Target target) : console_(console), target_(target) {}
    ~ConsoleStreamBuf() override { sync(); }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

private:
    void Send(bool whole);
    TerminalConsole& console_;
    Target target_;
    std::string pending_;
};

} // namespace kelp::cli
