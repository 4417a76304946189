#pragma once
// The Host of the window: timed messages in TTM, message boxes, the file dialogs, the
// progress label and bar under the display, the Results page, window events, the ESC key,
// the clipboard, the busy cursor and the keep-awake request. What a change means for the
// pages is the window's business: the host passes it on through the callbacks below.
#include <functional>
#include <memory>
#include <string>

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>

#include "app/keep_awake.h"
#include "app/timed_message.h"
#include "core/host.h"

class QWidget;

namespace kelp {

class Program;
class SoundOutput;

// "KELP data files|*.KL*|All files|*.*" as a Qt file dialog filter list.
QString QtFileFilter(const std::string& filter);

class QtHost : public QObject, public Host {
    Q_OBJECT
public:
    explicit QtHost(Program& program);
    ~QtHost() override;

    // The window dialogs belong to, and the timed message window (made on first use
    // when none is given).
    void SetDialogParent(QWidget* parent) { dialogParent_ = parent; }
    void SetTimedMessageWindow(TTM* window) { timedMessage_ = window; }
    TTM& TimedMessageWindow();

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
    bool StopRequested() override { return stopRequested_; }
    void SetClipboardText(const std::string& text) override;
    // Through the computer's sound output; where there is none, the progress line says so once.
    void PlaySound(const std::vector<std::uint8_t>& wave) override;
    void SetBusyCursor(bool busy) override;
    void DisplayNotice(const std::string& text) override;
    void StateChanged(const std::string& what) override;

    // The stop button of long operations; cleared when the next command starts.
    void RequestStop() { stopRequested_ = true; }
    void ClearStop() { stopRequested_ = false; }
    bool Waiting() const { return waiting_; }
    bool KeepAwakeActive() const { return inhibitor_.Active(); }

    // Where the window hears of changes.
    std::function<void(const std::string& what)> OnStateChanged;
    std::function<void(const std::string& text)> OnProgressLabel;
    std::function<void(bool visible, int position)> OnProgressBar;
    std::function<void(const std::string& text)> OnDisplayNotice;
    // At every step of an operation that lets the window answer (the display marks what has
    // been drawn so far for painting); the events themselves are handled at most every 40 ms.
    std::function<void()> BeforeProcessEvents;

protected:
    void ApplyKeepAwake(bool on) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Program& program_;
    QWidget* dialogParent_ = nullptr;
    // The window made on first use belongs to the dialog parent, or to the host without one.
    QPointer<TTM> timedMessage_;
    std::unique_ptr<TTM> ownTimedMessage_;
    SleepInhibitor inhibitor_;
    bool escapeDown_ = false;
    bool escapePressed_ = false; // pressed since ESC was last asked about
    bool stopRequested_ = false;
    bool waiting_ = false;
    int busyCursors_ = 0;
    QElapsedTimer eventsClock_; // since the window last handled its events in an operation
    std::unique_ptr<SoundOutput> sound_;
    bool noSoundSaid_ = false;
};

} // namespace kelp
