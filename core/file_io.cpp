#include "core/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/unfinished_files.h"

namespace kelp {

namespace {
// The installed fault plan; none outside tests.
FaultPlan* activePlan = nullptr;

bool WriteAll(int fd, std::int64_t offset, const void* buffer, std::size_t count, int& lastError) {
    std::size_t done = 0;
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::pwrite(fd, in + done, count - done,
                                   static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            lastError = errno;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool Matches(const std::string& path, const std::string& part) {
    return part.empty() || path.find(part) != std::string::npos;
}
} // namespace

FaultPlan& FaultPlan::Fail(FileOperation operation, int occurrence, int error, std::string pathContains) {
    faults_.push_back({operation, occurrence, error, std::move(pathContains)});
    return *this;
}

FaultPlan& FaultPlan::DiskFullAfter(std::int64_t bytes, std::string pathContains) {
    diskLimited_ = true;
    diskBytesLeft_ = bytes;
    diskPathContains_ = std::move(pathContains);
    return *this;
}

FaultPlan& FaultPlan::ShortRead(int occurrence, std::int64_t bytes, std::string pathContains) {
    shortReads_.push_back({occurrence, bytes, std::move(pathContains)});
    return *this;
}

FaultPlan& FaultPlan::Before(FileOperation operation, int occurrence,
                             std::function<void(const std::string&)> action, std::string pathContains) {
    actions_.push_back({operation, occurrence, std::move(action), std::move(pathContains)});
    return *this;
}

int FaultPlan::Calls(FileOperation operation) const {
    return calls_[static_cast<std::size_t>(operation)];
}

int FaultPlan::Check(FileOperation operation, const std::string& path, const std::string& otherPath) {
    if (inAction_) return 0;
    ++calls_[static_cast<std::size_t>(operation)];
    for (Action& a : actions_) {
        if (a.Operation != operation || !Matches(path, a.PathContains)) continue;
        ++a.Seen;
        if (a.Occurrence != 0 && a.Seen != a.Occurrence) continue;
        inAction_ = true;
        a.Run(path);
        inAction_ = false;
        ++fired_;
    }
    for (Fault& f : faults_) {
        if (f.Operation != operation) continue;
        if (!Matches(path, f.PathContains) && !(otherPath.size() && Matches(otherPath, f.PathContains)))
            continue;
        ++f.Seen;
        if (f.Occurrence == 0 || f.Seen == f.Occurrence) {
            ++fired_;
            return f.Error;
        }
    }
    return 0;
}

std::size_t FaultPlan::WriteAllowance(const std::string& path, std::int64_t offset, std::size_t count,
                                      std::int64_t size, int& error) {
    if (!diskLimited_ || !Matches(path, diskPathContains_)) return count;
    const std::int64_t end = offset + static_cast<std::int64_t>(count);
    const std::int64_t growth = end - std::max(offset, size);
    if (growth <= diskBytesLeft_) {
        diskBytesLeft_ -= std::max<std::int64_t>(0, growth);
        return count;
    }
    const std::int64_t allowed = std::max(offset, size) + diskBytesLeft_ - offset;
    diskBytesLeft_ = 0;
    error = ENOSPC;
    ++fired_;
    return static_cast<std::size_t>(std::max<std::int64_t>(0, allowed));
}

std::size_t FaultPlan::ReadAllowance(const std::string& path, std::size_t count) {
    if (inAction_) return count;
    for (ShortReadFault& f : shortReads_) {
        if (!Matches(path, f.PathContains)) continue;
        ++f.Seen;
        if (f.Occurrence != 0 && f.Seen != f.Occurrence) continue;
        ++fired_;
        count = std::min(count, static_cast<std::size_t>(std::max<std::int64_t>(1, f.Bytes)));
    }
    return count;
}

ScopedFaultPlan::ScopedFaultPlan(FaultPlan& plan) : previous_(activePlan) {
    activePlan = &plan;
}

ScopedFaultPlan::~ScopedFaultPlan() {
    activePlan = previous_;
}

std::string SystemErrorText(int error) {
    return std::strerror(error);
}

BinaryFile::~BinaryFile() {
    Close();
}

BinaryFile::BinaryFile(BinaryFile&& other) noexcept
    : fd_(other.fd_), lastError_(other.lastError_), path_(std::move(other.path_)) {
    other.fd_ = -1;
}

BinaryFile& BinaryFile::operator=(BinaryFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        lastError_ = other.lastError_;
        path_ = std::move(other.path_);
        other.fd_ = -1;
    }
    return *this;
}

bool BinaryFile::Open(const std::string& path, Mode mode) {
    Close();
    if (activePlan != nullptr) [[unlikely]] {
        if (const int error = activePlan->Check(FileOperation::Open, path)) {
            lastError_ = error;
            return false;
        }
    }
    int flags = O_RDONLY;
    if (mode == Mode::ReadWrite) flags = O_RDWR;
    if (mode == Mode::Create) flags = O_RDWR | O_CREAT | O_TRUNC;
    fd_ = ::open(path.c_str(), flags | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        lastError_ = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        lastError_ = EISDIR;
        return false;
    }
    path_ = path;
    lastError_ = 0;
    return true;
}

bool BinaryFile::Close() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    if (rc != 0) {
        lastError_ = errno;
        return false;
    }
    return true;
}

std::int64_t BinaryFile::ReadAt(std::int64_t offset, void* buffer, std::size_t count) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return -1;
    }
    if (offset < 0) {
        lastError_ = EINVAL;
        return -1;
    }
    std::size_t step = count;
    if (activePlan != nullptr) [[unlikely]] {
        if (const int error = activePlan->Check(FileOperation::Read, path_)) {
            lastError_ = error;
            return -1;
        }
        step = activePlan->ReadAllowance(path_, count);
    }
    std::size_t done = 0;
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (done < count) {
        const ssize_t n = ::pread(fd_, out + done, std::min(count - done, step),
                                  static_cast<off_t>(offset + static_cast<std::int64_t>(done)));
        if (n < 0) {
            if (errno == EINTR) continue;
            lastError_ = errno;
            return -1;
        }
        if (n == 0) break;
        done += static_cast<std::size_t>(n);
    }
    return static_cast<std::int64_t>(done);
}

bool BinaryFile::WriteAt(std::int64_t offset, const void* buffer, std::size_t count) {
    if (fd_ < 0) {
        lastError_ = EBADF;
        return false;
    }
    if (activePlan != nullptr) [[unlikely]] {
        int error = activePlan->Check(FileOperation::Write, path_);
        const std::size_t allowed =
            error ? 0 : activePlan->WriteAllowance(path_, offset, count, Size(), error);
        if (error) {
            // A full disk still takes what fits, as a real one does.
            if (allowed > 0) WriteAll(fd_, offset, buffer, allowed, lastError_);
            lastError_ = error;
            return false;
        }
    }
    return WriteAll(fd_, offset, buffer, count, lastError_);
}

bool BinaryFile::Append(const void* buffer, std::size_t count) {
    const std::int64_t size = Size();
    if (size < 0) return false;
    return WriteAt(size, buffer, count);
}

std::int64_t BinaryFile::Size() {
    struct stat st {};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) {
        lastError_ = fd_ < 0 ? EBADF : errno;
        return -1;
    }
    return static_cast<std::int64_t>(st.st_size);
}

bool BinaryFile::Truncate(std::int64_t size) {
    if (activePlan != nullptr && fd_ >= 0) [[unlikely]] {
        if (const int error = activePlan->Check(FileOperation::Truncate, path_)) {
            lastError_ = error;
            return false;
        }
    }
    if (fd_ < 0 || ::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
        lastError_ = fd_ < 0 ? EBADF : errno;
        return false;
    }
    return true;
}

bool BinaryFile::Sync() {
    if (fd_ < 0 || ::fsync(fd_) != 0) {
        lastError_ = fd_ < 0 ? EBADF : errno;
        return false;
    }
    return true;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::int64_t FileSizeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool IsReadOnlyFile(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    return (st.st_mode & S_IWUSR) == 0;
}

bool ClearReadOnly(const std::string& path, int* error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || ::chmod(path.c_str(), st.st_mode | S_IWUSR) != 0) {
        if (error) *error = errno;
        return false;
    }
    // A file system may accept the change yet still refuse writing (read-only mounts).
    if (::access(path.c_str(), W_OK) != 0) {
        if (error) *error = errno;
        return false;
    }
    return true;
}

bool RemoveFile(const std::string& path) {
    return RemoveFile(path, nullptr);
}

bool RemoveFile(const std::string& path, int* error) {
    if (activePlan != nullptr) [[unlikely]] {
        if (const int planned = activePlan->Check(FileOperation::Remove, path)) {
            if (error) *error = planned;
            return false;
        }
    }
    if (::unlink(path.c_str()) != 0) {
        if (error) *error = errno;
        return false;
    }
    return true;
}

bool RenameFile(const std::string& from, const std::string& to, int* error) {
    if (activePlan != nullptr) [[unlikely]] {
        if (const int planned = activePlan->Check(FileOperation::Rename, from, to)) {
            if (error) *error = planned;
            return false;
        }
    }
    if (::rename(from.c_str(), to.c_str()) != 0) {
        if (error) *error = errno;
        return false;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes, int* error) {
    BinaryFile f;
    if (!f.Open(path, BinaryFile::Mode::Read)) {
        if (error) *error = f.LastError();
        return false;
    }
    const std::int64_t size = f.Size();
    if (size < 0) {
        if (error) *error = f.LastError();
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size));
    const std::int64_t n = f.ReadAt(0, bytes.data(), bytes.size());
    if (n < 0) {
        if (error) *error = f.LastError();
        return false;
    }
    bytes.resize(static_cast<std::size_t>(n));
    return true;
}

AtomicFileWriter::AtomicFileWriter(std::string finalPath)
    : finalPath_(std::move(finalPath)), tempPath_(finalPath_ + ".part") {}

AtomicFileWriter::~AtomicFileWriter() {
    if (!committed_) Abandon();
}

bool AtomicFileWriter::Open() {
    if (!NoteUnfinishedFile(tempPath_, finalPath_)) {
        lastError_ = EINTR;
        return false;
    }
    if (!file_.Open(tempPath_, BinaryFile::Mode::Create)) {
        lastError_ = file_.LastError();
        ForgetUnfinishedFile(tempPath_);
        return false;
    }
    return true;
}

bool AtomicFileWriter::Write(const void* data, std::size_t count) {
    if (!file_.WriteAt(offset_, data, count)) {
        lastError_ = file_.LastError();
        return false;
    }
    offset_ += static_cast<std::int64_t>(count);
    return true;
}

bool AtomicFileWriter::Commit() {
    if (!file_.Close()) {
        lastError_ = file_.LastError();
        return false;
    }
    if (!RenameFile(tempPath_, finalPath_, &lastError_)) return false;
    ForgetUnfinishedFile(tempPath_);
    committed_ = true;
    return true;
}

void AtomicFileWriter::Abandon() {
    file_.Close();
    if (committed_) return;
    ::unlink(tempPath_.c_str());
    ForgetUnfinishedFile(tempPath_);
}

} // namespace kelp
