#include "core/headless_host.h"

#include <atomic>

namespace kelp {

namespace {
std::atomic<HeadlessConsole*> attachedConsole{nullptr};
} // namespace

void AttachHeadlessConsole(HeadlessConsole* console) {
    attachedConsole = console;
}

HeadlessConsole* AttachedHeadlessConsole() {
    return attachedConsole;
}

HeadlessHost::HeadlessHost() : console_(attachedConsole) {}

HeadlessHost::~HeadlessHost() {
    if (console_ && ProgressVisible) console_->ProgressEnded(this);
}

void HeadlessHost::ProgressStarted(const std::string& text, std::int64_t total, std::int64_t start) {
    if (!console_) return;
    const std::string caption = !text.empty() || ProgressLabels.empty() ? text : ProgressLabels.back();
    console_->ProgressStarted(this, caption, total, start);
}

void HeadlessHost::ProgressStepped(std::int64_t value) {
    if (console_) console_->ProgressStepped(this, value);
}

void HeadlessHost::ProgressEnded() {
    // The console hears of it when the bar is hidden (SetProgressBar), which is also how a
    // map scan ends its progress.
}

void HeadlessHost::ShowBatchFile(int number, int count) {
    if (console_) console_->BatchFile(number, count);
}

void HeadlessHost::ShowTimedMessage(int milliseconds, const std::string& text) {
    Messages.push_back({MessageKind::Timed, text, milliseconds});
    if (Echo) *Echo << text << '\n';
}

void HeadlessHost::ShowMessage(const std::string& text) {
    Messages.push_back({MessageKind::Box, text, 0});
    if (Echo) *Echo << text << '\n';
}

bool HeadlessHost::AskYesNo(const std::string& text) {
    Messages.push_back({MessageKind::Question, text, 0});
    bool answer = DefaultYesNo;
    if (!YesNoAnswers.empty()) {
        answer = YesNoAnswers.front();
        YesNoAnswers.pop_front();
    }
    if (Echo) *Echo << text << (answer ? " [Yes]" : " [No]") << '\n';
    return answer;
}

std::vector<std::string> HeadlessHost::OpenFileDialog(const FileDialogRequest& request) {
    Dialogs.push_back(request);
    if (OpenAnswers.empty()) return {};
    auto answer = OpenAnswers.front();
    OpenAnswers.pop_front();
    return answer;
}

std::optional<std::string> HeadlessHost::SaveFileDialog(const FileDialogRequest& request) {
    Dialogs.push_back(request);
    if (SaveAnswers.empty()) return std::nullopt;
    auto answer = SaveAnswers.front();
    SaveAnswers.pop_front();
    return answer;
}

std::optional<std::string> HeadlessHost::FolderDialog(const std::string& title) {
    Dialogs.push_back({title, "", "", "", false});
    if (FolderAnswers.empty()) return std::nullopt;
    auto answer = FolderAnswers.front();
    FolderAnswers.pop_front();
    return answer;
}

void HeadlessHost::SetProgressLabel(const std::string& text) {
    ProgressLabels.push_back(text);
    if (console_) console_->ProgressLabel(this, text);
    if (ProgressEcho && !text.empty()) *ProgressEcho << text << '\n';
}

void HeadlessHost::SetProgressBar(bool visible, int position) {
    if (console_ && ProgressVisible && !visible) console_->ProgressEnded(this);
    ProgressVisible = visible;
    ProgressPosition = position;
}

void HeadlessHost::Wait(int milliseconds) {
    if (milliseconds > 0) MillisecondsWaited += milliseconds;
    ProcessEvents();
}

void HeadlessHost::ProcessEvents() {
    ++EventsProcessed;
    if (EscapeAfterEvents >= 0 && EventsProcessed >= EscapeAfterEvents) EscapeFlag = true;
    if (StopAfterEvents >= 0 && EventsProcessed >= StopAfterEvents) StopFlag = true;
    if (OnEvents) OnEvents();
    if (console_) console_->EventPoint();
}

bool HeadlessHost::EscapeHeld() {
    return EscapeFlag || (console_ && console_->StopAsked());
}

bool HeadlessHost::StopRequested() {
    return StopFlag || (console_ && console_->StopAsked());
}

std::vector<std::string> HeadlessHost::MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : Messages) texts.push_back(m.Text);
    return texts;
}

bool HeadlessHost::Showed(const std::string& text) const {
    for (const auto& m : Messages)
        if (m.Text == text) return true;
    return false;
}

int HeadlessHost::DurationOf(const std::string& text) const {
    for (const auto& m : Messages)
        if (m.Text == text && m.Kind == MessageKind::Timed) return m.Milliseconds;
    return -1;
}

} // namespace kelp
