#pragma once
// Writes a record stream as the data files of a card: DATA0.ORV starts with the 512-byte
// header block; when a file reaches its size the stream goes on in the next file, which
// first repeats the last 10 bytes of the one before. Files are written under temporary
// names and get their final names only when the whole card is finished.
#include <cstdint>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "download/sd_card.h"

namespace kelp {

class CardWriter {
public:
    // `splitBytes` 0: one file. Otherwise at least 1024.
    CardWriter(std::string folder, std::int64_t splitBytes);
    ~CardWriter(); // removes the temporary files of an unfinished card
    CardWriter(const CardWriter&) = delete;
    CardWriter& operator=(const CardWriter&) = delete;

    bool Open();
    bool Write(const std::uint8_t* bytes, std::size_t count);
    std::int64_t StreamBytes() const { return streamBytes_; }
    // Writes the header block, gives every file its final name and removes data files of an
    // earlier card in the folder that this card does not have.
    bool Finish(const SDHeaderBlock& header);
    const std::vector<std::string>& Files() const { return finals_; }
    const std::string& Error() const { return error_; }

private:
    bool Flush();
    bool StartFile(int number);
    bool Fail(const std::string& what, int error);

    std::string folder_;
    std::int64_t splitBytes_;
    BinaryFile file_;
    std::int64_t fileSize_ = 0;    // bytes in the current file, written or buffered
    std::int64_t flushedSize_ = 0; // bytes of the current file on disk
    std::vector<std::uint8_t> buffer_;
    std::uint8_t last_[SDOverlapBytes]{};
    std::int64_t streamBytes_ = 0;
    std::vector<std::string> finals_;
    std::vector<std::string> temporaries_;
    bool finished_ = false;
    std::string error_;
};

} // namespace kelp
