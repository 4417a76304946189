#pragma once
// Helpers that keep the file utilities from leaving a half-done change behind: asking
// before a file is replaced, renames that can be undone, appends that can be cut off
// again, and copies of byte ranges in pieces.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/unfinished_files.h"

namespace kelp {

class Program;
class Host;
struct FileUtilityState;

// Sets a caption and tells the window.
void SetCaption(Program& program, Host& host, std::string FileUtilityState::*caption,
                const std::string& text);
// Sets the progress label (the program's copy and the host's).
void SetProgressText(Program& program, Host& host, const std::string& text);

// True when both names are the same existing file.
bool SameFile(const std::string& a, const std::string& b);

// True when `path` does not exist yet, or may be replaced (the state's rule, else the
// host's answer to ReplaceQuestion).
bool MayWriteTo(Program& program, Host& host, const std::string& path);

// The existing file of a base name with an extension: exactly as given, else with the
// extension in the other case; "" when there is none.
std::string ExistingWithExtension(const std::string& base, const std::string& extension);

// Everything before the last four characters of a name (the extension of a data file).
std::string WithoutLastFour(const std::string& name);

// Renames that can be undone. A target that exists is first moved aside, so that Undo
// can put it back; Finish removes what was moved aside.
class RenameSet {
public:
    ~RenameSet();
    bool Move(const std::string& from, const std::string& to, int& error);
    // Puts every renamed file back, last first.
    void Undo();
    // Keeps the renames and removes the replaced files.
    void Finish();

private:
    struct Step {
        std::string From, To, Aside;
    };
    std::vector<Step> steps_;
    std::optional<FileChangeScope> change_; // from the first rename to Undo or Finish
};

// Records appended over a file's end-of-data records can be taken back: Begin remembers
// the bytes from `offset` to the end; Restore writes them back and cuts the file to its
// old size, so that it is byte for byte as before.
class AppendGuard {
public:
    bool Begin(BinaryFile& file, std::int64_t offset);
    bool Restore();
    std::int64_t OldSize() const { return oldSize_; }

private:
    BinaryFile* file_ = nullptr;
    std::int64_t offset_ = 0;
    std::int64_t oldSize_ = 0;
    std::vector<std::uint8_t> tail_;
    std::optional<FileChangeScope> change_; // from Begin to the guard's end
};

// The result of a copy of a byte range.
struct CopyResult {
    bool Ok = true;
    bool ReadFailed = false; // else the sink failed
    int Error = 0;
};

// Copies `count` bytes from `offset` of `source` into `sink` in pieces of at most
// `pieceBytes`. A sink returns false with `error` set when it cannot take a piece; a
// source that ends early fails with EIO.
CopyResult CopyRange(BinaryFile& source, std::int64_t offset, std::int64_t count, std::int64_t pieceBytes,
                     const std::function<bool(const std::uint8_t*, std::size_t, int& error)>& sink);

// Whether the last `count` bytes of a file are all 255 (its end-of-data records).
bool EndsWithEndRecords(BinaryFile& file, std::int64_t size, int count);

// The progress bar over a long copy or read, from construction to the end of the scope: it
// is stepped every 1 % of `total` (the window's events handled at each step), and then the
// progress label shows what it showed before, or what the operation put there meanwhile.
class FileProgress {
public:
    FileProgress(Program& program, Host& host, const std::string& caption, std::int64_t total);
    ~FileProgress();
    FileProgress(const FileProgress&) = delete;
    FileProgress& operator=(const FileProgress&) = delete;
    // `done` of `total` are done.
    void Reached(std::int64_t done);
    // A sink for CopyRange that passes the pieces on to `sink` and steps the bar by their bytes.
    std::function<bool(const std::uint8_t*, std::size_t, int& error)>
    Counting(std::function<bool(const std::uint8_t*, std::size_t, int& error)> sink);

private:
    Program& program_;
    Host& host_;
    std::string caption_;
    std::string label_; // the label before
    std::int64_t step_;
    std::int64_t next_;
    std::int64_t done_ = 0;
};

// Keeps batch mode on for a scope.
class BatchScope {
public:
    explicit BatchScope(Program& program);
    ~BatchScope();
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;

private:
    Program& program_;
    bool previous_;
};

} // namespace kelp
