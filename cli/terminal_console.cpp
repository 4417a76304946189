#include "cli/terminal_console.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

#include "cli/terminal_progress.h"
#include "core/unfinished_files.h"

namespace kelp::cli {

namespace {

void WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

int TerminalWidth() {
    winsize size{};
    if (::ioctl(2, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return 80;
}

} // namespace

TerminalConsole::TerminalConsole(Options options) : options_(std::move(options)) {
    if (!options_.Write) options_.Write = [](const std::string& text) { WriteAll(2, text); };
    if (!options_.Width) options_.Width = TerminalWidth;
    if (!options_.Now) options_.Now = [] { return Clock::now(); };
    if (!options_.End)
        options_.End = [write = options_.Write](const std::string& reason) {
            std::string text = reason + "\n";
            for (const std::string& name : RemoveUnfinishedFiles())
                text += "Unfinished file removed: " + name + "\n";
            write(text);
            std::fflush(stdout);
            std::_Exit(1);
        };
}

void TerminalConsole::SetQuiet(bool quiet) {
    std::lock_guard<std::mutex> lock(mutex_);
    quiet_ = quiet;
    if (quiet_) Erase();
}

void TerminalConsole::Interrupt() {
    bool now = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (++interrupts_ == 1) interruptedAt_ = options_.Now();
        eventPointsSinceInterrupt_ = 0;
        now = interrupts_ > 1;
    }
    if (now) EndNow("Stopped by Ctrl+C.");
}

void TerminalConsole::Terminate() {
    EndNow("Stopped by a termination signal.");
}

bool TerminalConsole::Interrupted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return interrupts_ > 0;
}

bool TerminalConsole::StopTaken() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return taken_;
}

void TerminalConsole::Tick() {
    bool end = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        end = interrupts_ > 0 && !taken_ && options_.Now() - interruptedAt_ >= options_.StopWithin;
    }
    if (end) EndNow("Stopped by Ctrl+C.");
}

void TerminalConsole::WriteText(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    Erase();
    options_.Write(text);
}

void TerminalConsole::WriteResults(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    Erase();
    WriteAll(1, text);
}

void TerminalConsole::Finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    active_.clear();
    fileNumber_ = fileCount_ = 0;
    Erase();
}

void TerminalConsole::ProgressStarted(const HeadlessHost* host, const std::string& caption,
                                      std::int64_t total, std::int64_t start) {
    std::lock_guard<std::mutex> lock(mutex_);
    Activity& a = active_[host];
    a = Activity{caption, "", total, start, start, options_.Now(), ++nextOrder_};
    DrawIfDue();
}

void TerminalConsole::ProgressStepped(const HeadlessHost* host, std::int64_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = active_.find(host);
    if (it == active_.end()) return;
    it->second.Value = value;
    DrawIfDue();
}

void TerminalConsole::ProgressLabel(const HeadlessHost* host, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto it = active_.find(host);
    if (it == active_.end()) return;
    it->second.Label = text == it->second.Caption ? std::string() : text;
    DrawIfDue();
}

void TerminalConsole::ProgressEnded(const HeadlessHost* host) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (active_.erase(host) == 0) return;
    if (active_.empty())
        Erase();
    else
        DrawIfDue();
}

void TerminalConsole::BatchFile(int number, int count) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (number <= 1 || count != fileCount_) batchBegan_ = options_.Now();
    fileNumber_ = number;
    fileCount_ = count;
    // A batch whose files show no progress of their own still shows how far it is.
    if (active_.empty()) DrawIfDue();
}

void TerminalConsole::EventPoint() {
    bool end = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // The first event point after Ctrl+C is where an operation looks for it; one
        // that comes back to another without looking has no stop of its own. Inside a
        // change of a file in place it goes on to the change's end.
        if (interrupts_ > 0 && !taken_) end = ++eventPointsSinceInterrupt_ >= 2;
    }
    if (end && FileChangeInProgressHere()) return;
    if (end) EndNow("Stopped by Ctrl+C.");
}

bool TerminalConsole::StopAsked() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (interrupts_ == 0) return false;
    taken_ = true;
    return true;
}

void TerminalConsole::DrawIfDue() {
    if (!options_.DrawBar || quiet_ || ending_ || (active_.empty() && fileCount_ < 2)) return;
    const Clock::time_point now = options_.Now();
    if (drawnOnce_ && now - lastDraw_ < options_.RedrawEvery) return;
    drawnOnce_ = true;
    lastDraw_ = now;
    Draw();
}

void TerminalConsole::Draw() {
    ProgressFrame frame;
    Clock::time_point began = batchBegan_;
    if (active_.empty()) {
        // Between the files of a batch: the files done so far.
        frame.Fraction = static_cast<double>(fileNumber_ - 1) / fileCount_;
    } else {
        const auto latest =
            std::max_element(active_.begin(), active_.end(),
                             [](const auto& a, const auto& b) { return a.second.Order < b.second.Order; });
        const Activity& a = latest->second;
        frame.Caption = a.Label.empty()     ? a.Caption
                        : a.Caption.empty() ? a.Label
                                            : a.Caption + "  " + a.Label;
        if (a.Total > a.Start)
            frame.Fraction = static_cast<double>(a.Value - a.Start) / static_cast<double>(a.Total - a.Start);
        began = a.Began;
    }
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(lastDraw_ - began).count();
    frame.ElapsedSeconds = elapsed / 1000;
    frame.LeftSeconds = SecondsLeft(std::clamp(frame.Fraction, 0.0, 1.0), elapsed);
    frame.FileNumber = fileNumber_;
    frame.FileCount = fileCount_;
    const std::string line = ProgressLine(frame, options_.Width());
    if (drawnLength_ > 0 && line == drawnLine_) return;
    drawnLine_ = line;
    std::string text = "\r" + line;
    if (line.size() < drawnLength_) text += std::string(drawnLength_ - line.size(), ' ');
    options_.Write(text);
    drawnLength_ = std::max(drawnLength_, line.size());
}

void TerminalConsole::Erase() {
    if (drawnLength_ == 0) return;
    options_.Write("\r" + std::string(drawnLength_, ' ') + "\r");
    drawnLength_ = 0;
}

void TerminalConsole::EndNow(const std::string& reason) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (ending_) return;
        ending_ = true;
        Erase();
    }
    options_.End(reason);
}

ConsoleStreamBuf::int_type ConsoleStreamBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pending_ += traits_type::to_char_type(c);
    Send(false);
    return c;
}

std::streamsize ConsoleStreamBuf::xsputn(const char* s, std::streamsize n) {
    pending_.append(s, static_cast<std::size_t>(n));
    Send(false);
    return n;
}

int ConsoleStreamBuf::sync() {
    Send(true);
    return 0;
}

void ConsoleStreamBuf::Send(bool whole) {
    std::size_t end = pending_.size();
    if (target_ == Target::Results && !whole) {
        const std::size_t newline = pending_.rfind('\n');
        end = newline == std::string::npos ? 0 : newline + 1;
    }
    if (end == 0) return;
    const std::string text = pending_.substr(0, end);
    pending_.erase(0, end);
    if (target_ == Target::Results)
        console_.WriteResults(text);
    else
        console_.WriteText(text);
}

} // namespace kelp::cli
