#pragma once
// The one small wrapper through which data files are read and written: positioned
// reads and writes on a file descriptor, 64-bit offsets, and the system's error text.
#include <cstddef>
#include <cstdint>
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
bool RenameFile(const std::string& from, const std::string& to, int* error = nullptr);
// Reads a whole (small) file; false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, int* error = nullptr);

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
