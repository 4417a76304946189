#pragma once
// The one small wrapper through which data files are read and written: positioned
// reads and writes on a file descriptor, 64-bit offsets, and the system's error text.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kelp {

// The operating system's text for an error number (strerror).
std::string SystemErrorText(int error);

class BinaryFile {
public:
    enum class Mode { Read, ReadWrite, Create };

    BinaryFile() = default;
    ~BinaryFile();
    BinaryFile(const BinaryFile&) = delete;
    BinaryFile& operator=(const BinaryFile&) = delete;
    BinaryFile(BinaryFile&& other) noexcept;
    BinaryFile& operator=(BinaryFile&& other) noexcept;

    // Opens the file; false on failure with LastError() set. Create truncates or makes the file.
    bool Open(const std::string& path, Mode mode);
    bool Close();
    bool IsOpen() const { return fd_ >= 0; }

    // Reads up to `count` bytes at `offset`; returns the bytes read (0 at the end), or -1 on error.
    std::int64_t ReadAt(std::int64_t offset, void* buffer, std::size_t count);
    // Writes all `count` bytes at `offset`; false on error.
    bool WriteAt(std::int64_t offset, const void* buffer, std::size_t count);
    // Writes at the end of the file.
    bool Append(const void* buffer, std::size_t count);
    std::int64_t Size();
    bool Truncate(std::int64_t size);
    bool Sync();

    int LastError() const { return lastError_; }
    std::string LastErrorText() const { return SystemErrorText(lastError_); }
    const std::string& Path() const { return path_; }

private:
    int fd_ = -1;
    int lastError_ = 0;
    std::string path_;
};

// File-system helpers.
bool FileExists(const std::string& path);
std::int64_t FileSizeOf(const std::string& path); // -1 when it cannot be read
bool IsReadOnlyFile(const std::string& path);
// Gives the owner write permission; false with errno-style error when it cannot.
bool ClearReadOnly(const std::string& path, int* error = nullptr);
bool RemoveFile(const std::string& path);
bool RemoveFile(const std::string& path, int* error);
bool RenameFile(const std::string& from, const std::string& to, int* error = nullptr);
// Reads a whole (small) file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, int* error = nullptr);

// Planned failures of the wrapper, for tests that prove a failed operation leaves the
// user's files as they were. While a plan is installed (ScopedFaultPlan), every open,
// read, write, truncate, rename and remove made through this wrapper asks it first and
// fails as the system would, with the plan's error number. Without a plan each call
// costs one pointer test.
enum class FileOperation { Open, Read, Write, Truncate, Rename, Remove };

class FaultPlan {
public:
    // The n-th matching call of the operation (counted from 1 while the plan is
    // installed; 0 means every one) fails with `error`. Only calls on a path containing
    // `pathContains` match ("" matches every path; a rename matches on either name).
    FaultPlan& Fail(FileOperation operation, int occurrence, int error = EIO, std::string pathContains = {});
    // A full disk: matching files grow by `bytes` more bytes in all, then writes past
    // their end fail with ENOSPC (the write that crosses the limit writes what still
    // fits); writes over bytes a file already has need no room.
    FaultPlan& DiskFullAfter(std::int64_t bytes, std::string pathContains = {});
    // In the n-th matching read (0: every one) the system delivers at most `bytes` bytes
    // at a time, as it may for a slow or removable medium; a read still delivers all it asked for.
    FaultPlan& ShortRead(int occurrence, std::int64_t bytes, std::string pathContains = {});
    // Runs `action` with the call's path just before the n-th matching call of the
    // operation (0: every one): a file that vanishes, is cut or is rewritten between two
    // calls. The action's own file calls pass the plan by.
    FaultPlan& Before(FileOperation operation, int occurrence, std::function<void(const std::string&)> action,
                      std::string pathContains = {});

    // Calls of an operation seen so far (every path).
    int Calls(FileOperation operation) const;
    // Faults that have fired so far.
    int Fired() const { return fired_; }

    // Used by the wrapper: the error number for this call, or 0.
    int Check(FileOperation operation, const std::string& path, const std::string& otherPath = {});
    // Used by the wrapper before a write that passed Check: the bytes that may be written
    // at `offset` of a file of `size` bytes (less than `count`, with `error` set, when
    // the disk becomes full).
    std::size_t WriteAllowance(const std::string& path, std::int64_t offset, std::size_t count,
                               std::int64_t size, int& error);
    // Used by the wrapper before a read that passed Check: the most bytes the system gives
    // at a time in this read.
    std::size_t ReadAllowance(const std::string& path, std::size_t count);

private:
    struct Fault {
        FileOperation Operation;
        int Occurrence;
        int Error;
        std::string PathContains;
        int Seen = 0;
    };
    struct ShortReadFault {
        int Occurrence;
        std::int64_t Bytes;
        std::string PathContains;
        int Seen = 0;
    };
    struct Action {
        FileOperation Operation;
        int Occurrence;
        std::function<void(const std::string&)> Run;
        std::string PathContains;
        int Seen = 0;
    };
    std::vector<Fault> faults_;
    std::vector<ShortReadFault> shortReads_;
    std::vector<Action> actions_;
    bool inAction_ = false;
    std::vector<int> calls_ = std::vector<int>(6, 0);
    bool diskLimited_ = false;
    std::int64_t diskBytesLeft_ = 0;
    std::string diskPathContains_;
    int fired_ = 0;
};

// Installs a plan for the lifetime of the object (one at a time; tests only).
class ScopedFaultPlan {
public:
    explicit ScopedFaultPlan(FaultPlan& plan);
    ~ScopedFaultPlan();
    ScopedFaultPlan(const ScopedFaultPlan&) = delete;
    ScopedFaultPlan& operator=(const ScopedFaultPlan&) = delete;

private:
    FaultPlan* previous_;
};

// Writes a new output file under a temporary name and renames it to its final name
// on Commit, so that a failure never leaves half a file under the final name.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(std::string finalPath);
    ~AtomicFileWriter(); // removes the temporary file unless committed
    bool Open();
    BinaryFile& File() { return file_; }
    // Appends at the writer's own position (no size query per write).
    bool Write(const void* data, std::size_t count);
    std::int64_t Written() const { return offset_; }
    bool Commit();
    void Abandon();
    const std::string& TemporaryPath() const { return tempPath_; }
    const std::string& FinalPath() const { return finalPath_; }
    int LastError() const { return lastError_; }

private:
    std::string finalPath_;
    std::string tempPath_;
    BinaryFile file_;
    bool committed_ = false;
    int lastError_ = 0;
    std::int64_t offset_ = 0;
};

} // namespace kelp
