#include "files/file_safety.h"

#include <algorithm>
#include <cctype>
#include <sys/stat.h>

#include "core/header.h"
#include "core/host.h"
#include "core/program.h"
#include "files/file_utilities.h"

namespace kelp {

FileUtilityState& FileUtilitiesOf(Program& program) {
    return program.State<FileUtilityState>();
}

void SetCaption(Program& program, Host& host, std::string FileUtilityState::*caption,
                const std::string& text) {
    FileUtilitiesOf(program).*caption = text;
    host.StateChanged(FileUtilitiesChanged);
}

void SetProgressText(Program& program, Host& host, const std::string& text) {
    program.ProgressLabel = text;
    host.SetProgressLabel(text);
}

std::string ReplaceQuestion(const std::string& path) {
    return path + " already exists.  Do you wish to replace it?";
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool MayWriteTo(Program& program, Host& host, const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return true;
    const FileUtilityState& state = FileUtilitiesOf(program);
    if (state.MayReplace) return state.MayReplace(path);
    return host.AskYesNo(ReplaceQuestion(path));
}

std::string ExistingWithExtension(const std::string& base, const std::string& extension) {
    if (FileExists(base + extension)) return base + extension;
    std::string other = extension;
    const bool hasUpper = std::any_of(other.begin(), other.end(), [](char c) { return std::isupper(c); });
    for (char& c : other)
        c = static_cast<char>(hasUpper ? std::tolower(static_cast<unsigned char>(c))
                                       : std::toupper(static_cast<unsigned char>(c)));
    if (FileExists(base + other)) return base + other;
    return "";
}

std::string WithoutLastFour(const std::string& name) {
    return name.size() > 4 ? name.substr(0, name.size() - 4) : "";
}

RenameSet::~RenameSet() {
    Finish();
}

bool RenameSet::Move(const std::string& from, const std::string& to, int& error) {
    if (!change_) change_.emplace();
    Step step{from, to, ""};
    struct stat st {};
    if (::lstat(to.c_str(), &st) == 0) {
        // The file being replaced waits under a free name until the whole set is done.
        for (int n = 0; step.Aside.empty() || ::lstat(step.Aside.c_str(), &st) == 0; ++n)
            step.Aside = to + ".replaced" + (n > 0 ? std::to_string(n) : "");
        if (!RenameFile(to, step.Aside, &error)) return false;
    }
    if (!RenameFile(from, to, &error)) {
        int ignored = 0;
        if (!step.Aside.empty()) RenameFile(step.Aside, to, &ignored);
        return false;
    }
    steps_.push_back(step);
    return true;
}

void RenameSet::Undo() {
    for (auto it = steps_.rbegin(); it != steps_.rend(); ++it) {
        int ignored = 0;
        RenameFile(it->To, it->From, &ignored);
        if (!it->Aside.empty()) RenameFile(it->Aside, it->To, &ignored);
    }
    steps_.clear();
    change_.reset();
}

void RenameSet::Finish() {
    for (const Step& s : steps_)
        if (!s.Aside.empty()) RemoveFile(s.Aside);
    steps_.clear();
    change_.reset();
}

bool AppendGuard::Begin(BinaryFile& file, std::int64_t offset) {
    if (!change_) change_.emplace();
    file_ = &file;
    oldSize_ = file.Size();
    if (oldSize_ < 0) return false;
    offset_ = std::clamp<std::int64_t>(offset, 0, oldSize_);
    tail_.assign(static_cast<std::size_t>(oldSize_ - offset_), 0);
    return tail_.empty() ||
           file.ReadAt(offset_, tail_.data(), tail_.size()) == static_cast<std::int64_t>(tail_.size());
}

bool AppendGuard::Restore() {
    if (file_ == nullptr) return true;
    // The old end goes back over bytes the file still has, then the rest is cut off.
    const bool back = tail_.empty() || file_->WriteAt(offset_, tail_.data(), tail_.size());
    return file_->Truncate(oldSize_) && back;
}

CopyResult CopyRange(BinaryFile& source, std::int64_t offset, std::int64_t count, std::int64_t pieceBytes,
                     const std::function<bool(const std::uint8_t*, std::size_t, int& error)>& sink) {
    CopyResult result;
    std::vector<std::uint8_t> piece(static_cast<std::size_t>(std::min(count, pieceBytes)));
    while (count > 0) {
        const std::int64_t n = std::min<std::int64_t>(count, pieceBytes);
        const std::int64_t got = source.ReadAt(offset, piece.data(), static_cast<std::size_t>(n));
        if (got != n) {
            result = {false, true, got < 0 ? source.LastError() : EIO};
            return result;
        }
        int error = 0;
        if (!sink(piece.data(), static_cast<std::size_t>(n), error)) {
            result = {false, false, error};
            return result;
        }
        offset += n;
        count -= n;
    }
    return result;
}

bool EndsWithEndRecords(BinaryFile& file, std::int64_t size, int count) {
    if (size < HeaderLength + count) return false;
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(count));
    if (file.ReadAt(size - count, tail.data(), tail.size()) != count) return false;
    return std::all_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b == 255; });
}

FileProgress::FileProgress(Program& program, Host& host, const std::string& caption, std::int64_t total)
    : program_(program), host_(host), caption_(caption), label_(program.ProgressLabel),
      step_(std::max<std::int64_t>(1, (total + 99) / 100)), next_(step_) {
    host_.StartProgress(caption_, std::max<std::int64_t>(1, total), 0);
}

FileProgress::~FileProgress() {
    // The window keeps its label in the program; an operation may have put its own there.
    const std::string& now = program_.ProgressLabel;
    host_.EndProgress(now == caption_ ? label_ : now);
}

void FileProgress::Reached(std::int64_t done) {
    done_ = done;
    if (done_ < next_) return;
    next_ = (done_ / step_ + 1) * step_;
    host_.StepProgress(done_);
    host_.ProcessEvents();
}

std::function<bool(const std::uint8_t*, std::size_t, int&)>
FileProgress::Counting(std::function<bool(const std::uint8_t*, std::size_t, int&)> sink) {
    return [this, sink = std::move(sink)](const std::uint8_t* bytes, std::size_t count, int& error) {
        if (!sink(bytes, count, error)) return false;
        Reached(done_ + static_cast<std::int64_t>(count));
        return true;
    };
}

BatchScope::BatchScope(Program& program) : program_(program), previous_(program.Options.BatchRunning) {
    program_.Options.BatchRunning = true;
}

BatchScope::~BatchScope() {
    program_.Options.BatchRunning = previous_;
}

} // namespace kelp
