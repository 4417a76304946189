#include "download/card_writer.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/unfinished_files.h"

namespace kelp {

namespace {
constexpr std::size_t BufferBytes = 1 << 20;

// The number n of a name "DATA<n>.ORV" in any letter case, or -1.
long DataFileNumber(const std::string& name) {
    if (name.size() < 9 || !HasOrvExtension(name)) return -1;
    std::string head = name.substr(0, 4);
    for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (head != "DATA") return -1;
    const std::string digits = name.substr(4, name.size() - 8);
    if (digits.empty() || digits.size() > 6 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stol(digits);
}
} // namespace

CardWriter::CardWriter(std::string folder, std::int64_t splitBytes)
    : folder_(std::move(folder)), splitBytes_(splitBytes) {
    buffer_.reserve(BufferBytes);
}

CardWriter::~CardWriter() {
    if (finished_) return;
    file_.Close();
    for (const auto& t : temporaries_) {
        RemoveFile(t);
        ForgetUnfinishedFile(t);
    }
}

bool CardWriter::Fail(const std::string& what, int error) {
    error_ = what + ": " + SystemErrorText(error);
    return false;
}

bool CardWriter::Open() {
    std::error_code ec;
    std::filesystem::create_directories(folder_, ec);
    if (ec) return Fail("Cannot make folder " + folder_, ec.value());
    if (!StartFile(0)) return false;
    // Room for the header block, written when the card is finished.
    buffer_.assign(SDBlockSize, 0);
    fileSize_ = SDBlockSize;
    return true;
}

bool CardWriter::StartFile(int number) {
    if (!Flush()) return false;
    if (file_.IsOpen() && !file_.Close()) return Fail("Cannot close " + file_.Path(), file_.LastError());
    const std::string final = JoinPath(folder_, "DATA" + std::to_string(number) + ".ORV");
    const std::string temporary = final + ".part";
    if (!NoteUnfinishedFile(temporary, final)) return Fail("Cannot create " + temporary, ECANCELED);
    if (!file_.Open(temporary, BinaryFile::Mode::Create))
        return Fail("Cannot create " + temporary, file_.LastError());
    finals_.push_back(final);
    temporaries_.push_back(temporary);
    fileSize_ = 0;
    flushedSize_ = 0;
    return true;
}

bool CardWriter::Flush() {
    if (buffer_.empty() || !file_.IsOpen()) return true;
    if (!file_.WriteAt(flushedSize_, buffer_.data(), buffer_.size()))
        return Fail("Cannot write " + file_.Path(), file_.LastError());
    flushedSize_ += static_cast<std::int64_t>(buffer_.size());
    buffer_.clear();
    return true;
}

bool CardWriter::Write(const std::uint8_t* bytes, std::size_t count) {
    while (count > 0) {
        if (splitBytes_ > 0 && fileSize_ >= splitBytes_) {
            // The next file repeats the last 10 bytes of this one.
            std::uint8_t overlap[SDOverlapBytes];
            std::memcpy(overlap, last_, SDOverlapBytes);
            if (!StartFile(static_cast<int>(finals_.size()))) return false;
            buffer_.insert(buffer_.end(), overlap, overlap + SDOverlapBytes);
            fileSize_ = SDOverlapBytes;
        }
        std::size_t n = count;
        if (splitBytes_ > 0) n = std::min<std::size_t>(n, static_cast<std::size_t>(splitBytes_ - fileSize_));
        buffer_.insert(buffer_.end(), bytes, bytes + n);
        fileSize_ += static_cast<std::int64_t>(n);
        streamBytes_ += static_cast<std::int64_t>(n);
        // Keep the last 10 bytes of the stream for the overlap.
        if (n >= SDOverlapBytes) {
            std::memcpy(last_, bytes + n - SDOverlapBytes, SDOverlapBytes);
        } else {
            std::memmove(last_, last_ + n, SDOverlapBytes - n);
            std::memcpy(last_ + SDOverlapBytes - n, bytes, n);
        }
        bytes += n;
        count -= n;
        if (buffer_.size() >= BufferBytes && !Flush()) return false;
    }
    return true;
}

bool CardWriter::Finish(const SDHeaderBlock& header) {
    if (!Flush()) return false;
    if (!file_.Close()) return Fail("Cannot close " + file_.Path(), file_.LastError());
    BinaryFile first;
    if (!first.Open(temporaries_.front(), BinaryFile::Mode::ReadWrite))
        return Fail("Cannot open " + temporaries_.front(), first.LastError());
    if (!first.WriteAt(0, header.Bytes.data(), header.Bytes.size()) || !first.Close())
        return Fail("Cannot write " + temporaries_.front(), first.LastError());
    for (std::size_t i = 0; i < finals_.size(); ++i) {
        int error = 0;
        if (!RenameFile(temporaries_[i], finals_[i], &error))
            return Fail("Cannot rename " + temporaries_[i], error);
        ForgetUnfinishedFile(temporaries_[i]);
    }
    finished_ = true;
    // A data file of an earlier card would be read as the continuation of this one.
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder_, ec)) {
        const long n = DataFileNumber(entry.path().filename().string());
        if (n >= static_cast<long>(finals_.size())) std::filesystem::remove(entry.path(), ec);
    }
    return true;
}

} // namespace kelp
