#pragma once
// The host for the command line and the tests: messages go to stderr (when asked)
// and are recorded, dialogs are answered from preset answers, the results page is
// kept as lines.
#include <cstdint>
#include <deque>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/host.h"

namespace kelp {

class HeadlessHost : public Host {
public:
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
};

} // namespace kelp
