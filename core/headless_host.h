#pragma once
// The host for the command line and the tests: messages go to stderr (when asked)
// and are recorded, dialogs are answered from preset answers, the results page is
// kept as lines.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/host.h"

namespace kelp {

class HeadlessHost;

// The terminal of a command-line run: it shows the progress of every headless host while
// it happens (also of the hosts that batch workers make for themselves) and carries the
// user's request to stop. Called from any thread.
class HeadlessConsole {
public:
    virtual ~HeadlessConsole() = default;
    virtual void ProgressStarted(const HeadlessHost* host, const std::string& caption, std::int64_t total,
                                 std::int64_t start) = 0;
    virtual void ProgressStepped(const HeadlessHost* host, std::int64_t value) = 0;
    virtual void ProgressLabel(const HeadlessHost* host, const std::string& text) = 0;
    virtual void ProgressEnded(const HeadlessHost* host) = 0;
    virtual void BatchFile(int number, int count) = 0;
    // An operation let "the window" handle its events.
    virtual void EventPoint() = 0;
    // An operation asks whether the user wants it to stop.
    virtual bool StopAsked() = 0;
};

// The console that headless hosts made from now on report to (nullptr: none).
void AttachHeadlessConsole(HeadlessConsole* console);
HeadlessConsole* AttachedHeadlessConsole();

class HeadlessHost : public Host {
public:
    HeadlessHost();
    ~HeadlessHost() override;
    enum class MessageKind { Timed, Box, Question };
    struct RecordedMessage {
        MessageKind Kind;
        std::string Text;
        int Milliseconds = 0;
    };

    // Messages are echoed here as they happen (nullptr: recorded only).
    std::ostream* Echo = nullptr;
    // Progress labels are echoed here (nullptr: nowhere).
    std::ostream* ProgressEcho = nullptr;

    // Preset answers, taken in order; when a queue is empty the default applies.
    std::deque<bool> YesNoAnswers;
    bool DefaultYesNo = false;
    std::deque<std::vector<std::string>> OpenAnswers;
    std::deque<std::optional<std::string>> SaveAnswers;
    std::deque<std::optional<std::string>> FolderAnswers;

    // Called at every event point (the command line follows a drawing's progress from it).
    std::function<void()> OnEvents;

    // ESC and stop: held from the given count of ProcessEvents calls on (-1: never).
    long EscapeAfterEvents = -1;
    long StopAfterEvents = -1;
    bool EscapeFlag = false;
    bool StopFlag = false;

    void ShowTimedMessage(int milliseconds, const std::string& text) override;
    void ShowMessage(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    std::vector<std::string> OpenFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override;
    std::optional<std::string> FolderDialog(const std::string& title) override;
    void SetProgressLabel(const std::string& text) override;
    void SetProgressBar(bool visible, int position) override;
    void Wait(int milliseconds) override;
    void ProcessEvents() override;
    bool EscapeHeld() override;
    bool StopRequested() override;
    void SetClipboardText(const std::string& text) override { Clipboard = text; }
    void SetBusyCursor(bool busy) override { Busy = busy; }
    void DisplayNotice(const std::string& text) override { Notices.push_back(text); }
    void PlaySound(const std::vector<std::uint8_t>& wave) override { Sounds.push_back(wave); }
    void StateChanged(const std::string& what) override { Changes.push_back(what); }
    void ShowBatchFile(int number, int count) override;

    // What happened, for the tests.
    std::vector<RecordedMessage> Messages;
    std::vector<FileDialogRequest> Dialogs;
    std::vector<std::string> ProgressLabels;
    std::vector<bool> KeepAwakeChanges;
    std::vector<std::string> Notices;
    std::vector<std::vector<std::uint8_t>> Sounds;
    std::vector<std::string> Changes;
    std::string Clipboard;
    bool Busy = false;
    bool ProgressVisible = false;
    int ProgressPosition = 0;
    long EventsProcessed = 0;
    std::int64_t MillisecondsWaited = 0;

    // The texts of all messages, in order.
    std::vector<std::string> MessageTexts() const;
    // True when a message with exactly this text was shown.
    bool Showed(const std::string& text) const;
    // The duration of the first message with this text, or -1.
    int DurationOf(const std::string& text) const;

protected:
    void ApplyKeepAwake(bool on) override { KeepAwakeChanges.push_back(on); }
    void ProgressStarted(const std::string& text, std::int64_t total, std::int64_t start) override;
    void ProgressStepped(std::int64_t value) override;
    void ProgressEnded() override;

private:
    HeadlessConsole* console_;
};

} // namespace kelp
