#include "export/export_output.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "core/host.h"

namespace kelp {

namespace {

constexpr std::size_t FlushBytes = 1 << 20;

} // namespace

bool IsDataOrMapFileName(const std::string& name) {
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext = name.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static constexpr std::array<const char*, 6> refused{".KL1", ".KL2", ".KL3", ".K1M", ".K2M", ".K3M"};
    return std::any_of(refused.begin(), refused.end(), [&](const char* e) { return ext == e; });
}

std::string RefusedTargetText(const std::string& name) {
    return "Not written: " + name +
           " has the extension of a data or map file (.KL1, .KL2, .KL3, .k1m, .k2m, .k3m). Choose another "
           "name.";
}

bool RefuseDataOrMapTarget(Host& host, const std::string& name) {
    if (!IsDataOrMapFileName(name)) return false;
    host.ShowMessage(RefusedTargetText(name));
    return true;
}

void ResultsLines::Line(const std::string& text) {
    host_.Results().Append(text);
}

TextFileLines::TextFileLines(std::string name, std::string what)
    : name_(std::move(name)), what_(std::move(what)), writer_(name_) {}

bool TextFileLines::Open() {
    ok_ = writer_.Open();
    buffer_.reserve(FlushBytes + 4096);
    return ok_;
}

void TextFileLines::Flush() {
    if (ok_ && !buffer_.empty()) ok_ = writer_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void TextFileLines::Line(const std::string& text) {
    if (!ok_) return;
    buffer_ += text;
    buffer_ += '\n';
    if (buffer_.size() >= FlushBytes) Flush();
}

void TextFileLines::Text(const std::string& text) {
    if (!ok_) return;
    buffer_ += text;
    if (buffer_.size() >= FlushBytes) Flush();
}

bool TextFileLines::Finish(Host& host) {
    Flush();
    if (ok_) ok_ = writer_.Commit();
    if (ok_) return true;
    // A half export under the chosen name would look complete: nothing is kept.
    host.ShowTimedMessage(Message5s, "Failed to write " + what_ + " " + name_ + "  (" + ErrorText() + ")");
    writer_.Abandon();
    return false;
}

} // namespace kelp
