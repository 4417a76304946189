#include "core/host.h"

#include "core/file_io.h"

namespace kelp {

void ResultsPage::Touch() {
    changed_ = true;
    if (OnChange) OnChange();
}

void ResultsPage::Append(const std::string& line) {
    lines_.push_back(line);
    Touch();
}

void ResultsPage::Append(const std::vector<std::string>& lines) {
    if (lines.empty()) return;
    lines_.insert(lines_.end(), lines.begin(), lines.end());
    Touch();
}

void ResultsPage::Clear() {
    lines_.clear();
    changed_ = false;
    if (OnChange) OnChange();
}

void ResultsPage::ClearByDoubleClick() {
    lines_.clear();
    Touch();
}

std::string ResultsPage::CopyAll() {
    changed_ = false;
    return Text();
}

std::string ResultsPage::CutAll() {
    std::string text = Text();
    lines_.clear();
    changed_ = false;
    if (OnChange) OnChange();
    return text;
}

void ResultsPage::SetText(const std::string& text) {
    lines_.clear();
    std::string line;
    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines_.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty()) lines_.push_back(line);
    Touch();
}

std::string ResultsPage::Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines_[i];
    }
    return text;
}

void ProgressRule::Start(std::int64_t total, std::int64_t start) {
    start_ = start;
    const std::int64_t hundredth = (total - start) / 100;
    step_ = hundredth < 1 ? 0 : hundredth - 1;
}

int ProgressRule::PositionFor(std::int64_t value) const {
    std::int64_t position = step_ > 0 ? (value - start_) / step_ : value - start_;
    if (position < 0) position = 0;
    if (position > 100) position = 100;
    return static_cast<int>(position);
}

void TSystemCritical::SetState(bool on) {
    if (on == state_) return;
    state_ = on;
    if (apply_) apply_(on);
}

Host::Host() : keepAwake_([this](bool on) { ApplyKeepAwake(on); }) {}

void Host::StartProgress(const std::string& text, std::int64_t total, std::int64_t start) {
    ProgressStarted(text, total, start);
    if (!text.empty()) SetProgressLabel(text);
    progress_.Start(total, start);
    SetProgressBar(true, 0);
    ProcessEvents();
}

void Host::StepProgress(std::int64_t value) {
    ProgressStepped(value);
    SetProgressBar(true, progress_.PositionFor(value));
}

void Host::EndProgress(const std::string& text) {
    ProgressEnded();
    SetProgressBar(false, 0);
    SetProgressLabel(text);
    ProcessEvents();
}

std::string ResultsFileName(const std::string& chosen) {
    if (chosen.size() > 3 && chosen[chosen.size() - 4] != '.') return chosen + ".txt";
    return chosen;
}

bool SaveResultsText(Host& host, const std::string& shortName) {
    FileDialogRequest request;
    request.Title = "Save DataMemo text as ....";
    request.Filter = "Text files|*.txt*|All files|*.*";
    request.InitialName = "Notes on " + shortName + ".txt";
    const auto chosen = host.SaveFileDialog(request);
    if (!chosen) return false;
    const std::string name = ResultsFileName(*chosen);
    AtomicFileWriter writer(name);
    bool ok = writer.Open();
    for (const auto& line : host.Results().Lines()) {
        if (!ok) break;
        ok = writer.Write(line.data(), line.size()) && writer.Write("\n", 1);
    }
    ok = ok && writer.Commit();
    if (!ok) {
        host.ShowTimedMessage(Message2s, SystemErrorText(writer.LastError()));
        host.ShowTimedMessage(Message3s, "Failed to create jottings file " + name);
        return false;
    }
    host.Results().MarkSaved();
    return true;
}

} // namespace kelp
