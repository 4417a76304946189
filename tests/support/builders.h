#pragma once
// Small builders that write KL1, KL2 and KL3 files from a list of minutes and clicks,
// so that a test can make the file it needs in a few lines.
#include <cstdint>
#include <string>
#include <vector>

#include "core/header.h"
#include "core/records.h"
#include "core/time.h"

namespace kelp::testing {

// A click with the fields tests care about most; everything else 0.
ClickRecord MakeClick(std::int32_t time, int kHz = 130, int ncyc = 12, int spl = 100, int bw = 3,
                      std::uint8_t envelope = 0x37);

class DataFileBuilder {
public:
    // A header as the download writes it: format code and record length of the kind,
    // envelopes stored ready, logger 1104 (settings layout 1, switch angles 0..120, duty cycle 1).
    explicit DataFileBuilder(FileKind kind, MinuteNumber firstMinute = MakeMinute(2024, 1, 1, 0, 0));

    DataFileHeader& Header() { return header_; }
    int RecordLength() const { return recordLength_; }

    // Starts the next minute with its marker. For KL2 and KL3 files `markerBytes` (20 bytes)
    // may give the whole marker; byte 19 is always 254.
    DataFileBuilder& Minute(int temperature = 100, int angle = 60);
    DataFileBuilder& Minute(const std::vector<std::uint8_t>& markerBytes);
    // A click of the current minute. KL1: `type` 0 or 1. KL2: the click's ClassCode is written.
    // KL3: `type` is the train id (5..127).
    DataFileBuilder& Click(const ClickRecord& click, std::uint8_t type = 0);
    // Any record bytes as given (must be RecordLength() long).
    DataFileBuilder& Raw(const std::vector<std::uint8_t>& record);
    // Number of minutes per marker (duty cycle) written into the settings area.
    DataFileBuilder& MinutesPerMarker(int n);
    // Leaves off the end-of-data records.
    DataFileBuilder& WithoutTerminator();
    // Keeps the header's first and last minute as set instead of deriving them from the markers.
    DataFileBuilder& KeepHeaderMinutes();

    int MarkerCount() const { return markers_; }
    std::vector<std::uint8_t> Bytes() const;
    // Writes the file; returns its path.
    std::string Write(const std::string& path) const;

private:
    FileKind kind_;
    int recordLength_;
    DataFileHeader header_;
    std::vector<std::uint8_t> records_;
    int markers_ = 0;
    int minutesPerMarker_ = 1;
    bool terminate_ = true;
    bool keepHeaderMinutes_ = false;
};

// A folder under the system's temporary folder, removed with everything in it on destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
std::string ReadFileText(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

} // namespace kelp::testing
