#pragma once
// Everything that talks to a person goes through Host: timed status messages,
// questions, message boxes, file dialogs, progress, the results page, events, the
// ESC key, the clipboard and the keep-awake switch. Operations never talk to the
// windowing toolkit directly; the app implements Host on it, and HeadlessHost
// serves the command line and the tests.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kelp {

// Durations of timed status messages used across the program, in milliseconds.
inline constexpr int MessageShort = 1000;
inline constexpr int Message2s = 2000;
inline constexpr int Message3s = 3000;
inline constexpr int Message5s = 5000;
inline constexpr int Message10s = 10000;
inline constexpr int Message15s = 15000;

struct FileDialogRequest {
    std::string Title;
    std::string Filter;      // "Text files|*.txt*|All files|*.*" style pairs
    std::string InitialName; // proposed file name
    std::string InitialFolder;
    bool MultiSelect = false;
};

// The results page: lines of tab-separated text that operations append to.
class ResultsPage {
public:
    void Append(const std::string& line);
    void Append(const std::vector<std::string>& lines);
    // "Clear": empties the text and clears the changed flag.
    void Clear();
    // A double-click on the text empties it, which counts as a change.
    void ClearByDoubleClick();
    // "Copy to Clipboard": the whole text; clears the changed flag.
    std::string CopyAll();
    // "Cut to Clipboard": the whole text, then empties it; clears the changed flag.
    std::string CutAll();
    // Replaces the whole text (an edit by the user).
    void SetText(const std::string& text);

    const std::vector<std::string>& Lines() const { return lines_; }
    std::string Text() const;
    bool Changed() const { return changed_; }
    void MarkSaved() { changed_ = false; }
    // Called after every change (the app refreshes its page).
    std::function<void()> OnChange;

private:
    void Touch();
    std::vector<std::string> lines_;
    bool changed_ = false;
};

// The progress bar's step rule: about 100 steps over (total - start).
class ProgressRule {
public:
    void Start(std::int64_t total, std::int64_t start);
    // Bar position 0..100 for a value.
    int PositionFor(std::int64_t value) const;
    std::int64_t Step() const { return step_; }

private:
    std::int64_t start_ = 0;
    std::int64_t step_ = 0;
};

// The keep-awake switch: on asks the system to stay awake; setting the state it
// already has does nothing.
class TSystemCritical {
public:
    explicit TSystemCritical(std::function<void(bool)> apply = {}) : apply_(std::move(apply)) {}
    void SetState(bool on);
    bool State() const { return state_; }

private:
    bool state_ = false;
    std::function<void(bool)> apply_;
};

// Keeps the switch on for a scope and off again on every way out (also on failure).
class KeepAwakeScope {
public:
    explicit KeepAwakeScope(TSystemCritical& s) : switch_(s) { switch_.SetState(true); }
    ~KeepAwakeScope() { switch_.SetState(false); }
    KeepAwakeScope(const KeepAwakeScope&) = delete;
    KeepAwakeScope& operator=(const KeepAwakeScope&) = delete;

private:
    TSystemCritical& switch_;
};

// Threads and ownership: a host is called only from the thread that made it (the window's
// thread for the app's host). Whoever makes it owns it; operations borrow it for a call, and
// what keeps a reference (the display's hooks) must not outlive it. A batch running on worker
// threads gives each worker a HeadlessHost of its own, and the calling thread replays their
// messages and results lines on the user's host.
class Host {
public:
    Host();
    virtual ~Host() = default;
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // A modal timed status message; returns when it closes.
    virtual void ShowTimedMessage(int milliseconds, const std::string& text) = 0;
    // A plain message box with "OK".
    virtual void ShowMessage(const std::string& text) = 0;
    // A Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text) = 0;
    // Open dialog; an empty list means cancelled.
    virtual std::vector<std::string> OpenFileDialog(const FileDialogRequest& request) = 0;
    // Save dialog; nothing means cancelled.
    virtual std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) = 0;
    // Folder dialog; nothing means cancelled.
    virtual std::optional<std::string> FolderDialog(const std::string& title) {
        (void)title;
        return std::nullopt;
    }

    // Progress label and bar.
    void StartProgress(const std::string& text, std::int64_t total, std::int64_t start);
    void StepProgress(std::int64_t value);
    void EndProgress(const std::string& text);
    virtual void SetProgressLabel(const std::string& text) { (void)text; }
    virtual void SetProgressBar(bool visible, int position) {
        (void)visible;
        (void)position;
    }
    // A batch job has started on its file `number` of `count`.
    virtual void ShowBatchFile(int number, int count) {
        (void)number;
        (void)count;
    }

    // Returns after the time, keeping the window responsive.
    virtual void Wait(int milliseconds) = 0;
    // Lets the window handle pending events (also where a stop or ESC is noticed).
    virtual void ProcessEvents() {}
    virtual bool EscapeHeld() { return false; }
    virtual bool StopRequested() { return false; }

    virtual void SetClipboardText(const std::string& text) { (void)text; }
    virtual void SetBusyCursor(bool busy) { (void)busy; }
    // Large grey text drawn over the display area ("Creating map file for ...").
    virtual void DisplayNotice(const std::string& text) { (void)text; }
    // Plays an in-memory RIFF/WAVE image and returns when it has played.
    virtual void PlaySound(const std::vector<std::uint8_t>& wave) { (void)wave; }
    // Something the windows show has changed (a label, a text box); the app refreshes it.
    virtual void StateChanged(const std::string& what) { (void)what; }

    ResultsPage& Results() { return results_; }
    const ResultsPage& Results() const { return results_; }
    TSystemCritical& KeepAwake() { return keepAwake_; }
    const ProgressRule& Progress() const { return progress_; }

protected:
    // Asks the operating system to keep the computer awake (or lets it sleep again).
    virtual void ApplyKeepAwake(bool on) { (void)on; }
    // Told of each progress call with its own values, before the label and bar are set
    // (a terminal shows the caption, per cent and time left from them).
    virtual void ProgressStarted(const std::string& text, std::int64_t total, std::int64_t start) {
        (void)text;
        (void)total;
        (void)start;
    }
    virtual void ProgressStepped(std::int64_t value) { (void)value; }
    virtual void ProgressEnded() {}

private:
    ResultsPage results_;
    ProgressRule progress_;
    TSystemCritical keepAwake_;
};

// The results page's save rule: ".txt" is appended unless the name's fourth
// character from the end is already a dot.
std::string ResultsFileName(const std::string& chosen);

// Offers to save the results text (the save dialog shown when the program closes
// with unsaved results). `shortName` is the name of the lowest open file, or "".
// Returns true when the text was saved.
bool SaveResultsText(Host& host, const std::string& shortName);

} // namespace kelp
