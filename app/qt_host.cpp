#include "app/qt_host.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>

#include "app/controls.h"
#include "app/sound_output.h"
#include "app/timed_message.h"
#include "core/program.h"

namespace kelp {
namespace {

// The folder the dialogs start in: the one last used, else the user's home folder.
QString StartFolder(const FileDialogRequest& request, QString& lastFolder) {
    if (!request.InitialFolder.empty()) return Q(request.InitialFolder);
    if (!lastFolder.isEmpty()) return lastFolder;
    return QDir::homePath();
}

// The dialog's starting point: the proposed name inside the start folder (a name with a
// folder of its own keeps it).
QString StartPath(const FileDialogRequest& request, QString& lastFolder) {
    const QString folder = StartFolder(request, lastFolder);
    if (request.InitialName.empty()) return folder;
    const QString name = Q(request.InitialName);
    if (QFileInfo(name).isAbsolute()) return name;
    return QDir(folder).filePath(name);
}

QString LastFolder;

} // namespace

QString QtFileFilter(const std::string& filter) {
    const QStringList parts = Q(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            if (pattern == "*.*") {
                patterns << "*";
                continue;
            }
            patterns << pattern;
            // Names on this system are case-sensitive; the program's extensions are not.
            if (pattern.toLower() != pattern) patterns << pattern.toLower();
            if (pattern.toUpper() != pattern) patterns << pattern.toUpper();
        }
        patterns.removeDuplicates();
        filters << parts[i] + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

QtHost::QtHost(Program& program) : program_(program) {
    if (qApp != nullptr) qApp->installEventFilter(this);
}

QtHost::~QtHost() {
    if (qApp != nullptr) qApp->removeEventFilter(this);
    while (busyCursors_ > 0) SetBusyCursor(false);
}

TTM& QtHost::TimedMessageWindow() {
    if (timedMessage_ == nullptr) {
        if (dialogParent_ != nullptr) {
            timedMessage_ = new TTM(dialogParent_);
        } else {
            ownTimedMessage_ = std::make_unique<TTM>();
            timedMessage_ = ownTimedMessage_.get();
        }
    }
    return *timedMessage_;
}

void QtHost::ShowTimedMessage(int milliseconds, const std::string& text) {
    TimedMessageWindow().ShowTimedMessage(milliseconds, Q(text));
}

void QtHost::ShowMessage(const std::string& text) {
    QMessageBox box(QMessageBox::Information, "KELP", Q(text), QMessageBox::Ok, dialogParent_);
    box.exec();
}

bool QtHost::AskYesNo(const std::string& text) {
    QMessageBox box(QMessageBox::Question, "KELP", Q(text), QMessageBox::Yes | QMessageBox::No,
                    dialogParent_);
    return box.exec() == QMessageBox::Yes;
}

std::vector<std::string> QtHost::OpenFileDialog(const FileDialogRequest& request) {
    std::vector<std::string> names;
    const QString start = StartPath(request, LastFolder);
    const QString filter = QtFileFilter(request.Filter);
    QStringList chosen;
    if (request.MultiSelect) {
        chosen = QFileDialog::getOpenFileNames(dialogParent_, Q(request.Title), start, filter);
    } else {
        const QString one = QFileDialog::getOpenFileName(dialogParent_, Q(request.Title), start, filter);
        if (!one.isEmpty()) chosen << one;
    }
    for (const QString& name : chosen) names.push_back(name.toStdString());
    if (!chosen.isEmpty()) LastFolder = QFileInfo(chosen.front()).absolutePath();
    return names;
}

std::optional<std::string> QtHost::SaveFileDialog(const FileDialogRequest& request) {
    const QString name = QFileDialog::getSaveFileName(
        dialogParent_, Q(request.Title), StartPath(request, LastFolder), QtFileFilter(request.Filter));
    if (name.isEmpty()) return std::nullopt;
    LastFolder = QFileInfo(name).absolutePath();
    return name.toStdString();
}

std::optional<std::string> QtHost::FolderDialog(const std::string& title) {
    const QString folder = QFileDialog::getExistingDirectory(
        dialogParent_, Q(title), LastFolder.isEmpty() ? QDir::homePath() : LastFolder);
    if (folder.isEmpty()) return std::nullopt;
    LastFolder = folder;
    return folder.toStdString();
}

void QtHost::SetProgressLabel(const std::string& text) {
    program_.ProgressLabel = text;
    if (OnProgressLabel) OnProgressLabel(text);
}

void QtHost::SetProgressBar(bool visible, int position) {
    if (OnProgressBar) OnProgressBar(visible, position);
}

void QtHost::Wait(int milliseconds) {
    if (milliseconds <= 0) {
        waiting_ = false;
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    waiting_ = true;
    if (BeforeProcessEvents) BeforeProcessEvents();
    timer.start(milliseconds);
    loop.exec();
    timer.stop();
    waiting_ = false;
}

void QtHost::ProcessEvents() {
    // Operations ask at every step (a bin screen at every minute): the window shows what was
    // drawn and handles its events at most every 40 ms, so that painting does not slow the
    // operation down while ESC and new requests are still answered at once.
    constexpr int ProcessEventsIntervalMs = 40;
    if (BeforeProcessEvents) BeforeProcessEvents();
    if (eventsClock_.isValid() && eventsClock_.elapsed() < ProcessEventsIntervalMs) return;
    eventsClock_.start();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtHost::EscapeHeld() {
    const bool held = escapeDown_ || escapePressed_;
    escapePressed_ = false;
    return held;
}

void QtHost::SetClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(Q(text));
}

void QtHost::PlaySound(const std::vector<std::uint8_t>& wave) {
    if (!sound_) sound_ = std::make_unique<SoundOutput>();
    if (sound_->Play(wave) || noSoundSaid_) return;
    noSoundSaid_ = true;
    SetProgressLabel(NoSoundOutputText);
}

void QtHost::SetBusyCursor(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++busyCursors_;
    } else if (busyCursors_ > 0) {
        QApplication::restoreOverrideCursor();
        --busyCursors_;
    }
}

void QtHost::DisplayNotice(const std::string& text) {
    if (OnDisplayNotice) OnDisplayNotice(text);
}

void QtHost::StateChanged(const std::string& what) {
    if (OnStateChanged) OnStateChanged(what);
}

void QtHost::ApplyKeepAwake(bool on) {
    if (on)
        inhibitor_.Request();
    else
        inhibitor_.Release();
}

bool QtHost::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if (type == QEvent::KeyPress || type == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        // ESC that closes a timed message is the message's, not the running operation's.
        const bool forMessage = timedMessage_ != nullptr && timedMessage_->isVisible();
        if (key->key() == Qt::Key_Escape && !key->isAutoRepeat() && !forMessage) {
            escapeDown_ = type == QEvent::KeyPress;
            if (escapeDown_) escapePressed_ = true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kelp
