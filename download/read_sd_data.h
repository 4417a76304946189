#pragma once
// The download: converts the data files of an SD card (DATA0.ORV, DATA1.ORV, ...) into
// one or more KL1 files with their map files, reporting on the "Read SD" page.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/host.h"
#include "core/program.h"
#include "core/time.h"
#include "download/read_sd_page.h"

namespace kelp {

// Fixed sizes of the conversion. Only tests change them, to reach the boundaries with small cards.
struct DownloadLimits {
    // The card is read in chunks of 1 MiB plus the 10 bytes that the next chunk repeats.
    std::int64_t ChunkBytes = 1'048'576 + 10;
    // An output file is closed at the end of the minute that takes it past this size.
    std::int64_t SplitBytes = 1'072'761'724;
};

struct DownloadEnvironment {
    // The clock's minute ("now"); the computer's clock when empty.
    std::function<MinuteNumber()> Now;
    DownloadLimits Limits;
    // Opens the first KL1 file when "open file when finished" is ticked, after all open
    // files were closed. Empty: the program's own file slots are used.
    std::function<void(const std::string&)> OpenFirstFile;
    // For tests: returns true when the read of a source file at this offset is to fail.
    std::function<bool(int sourceNumber, std::int64_t offset)> ReadFault;
};

struct DownloadResult {
    bool Started = false; // the first KL1 file was created
    bool StoppedByUser = false;
    bool ReadFailed = false;
    std::vector<std::string> OutputFiles; // KL1 files that exist at the end, in order
    std::int64_t ClicksWritten = 0;
    std::int64_t MinutesWritten = 0;
    int LongestBlankRun = 0;
};

// The questions the conversion may ask (callers that answer for the user need them).
inline constexpr const char* EarlyStartQuestion = "Start time is impossibly early. Do you wish to proceed?";
inline constexpr const char* FutureEndQuestion =
    "File ends in the future. Do wish to change the time the KELP was Started?";

// "4:   Read SD card  ": the whole conversion, from the start time check to the report.
DownloadResult ReadSDdata(Program& program, Host& host, ReadSDPage& page,
                          const DownloadEnvironment& env = {});

// The name proposed for the first KL1 file (without extension); gives the file name date
// boxes their leading zero first.
std::string ProposedFileName(ReadSDPage& page, int loggerNumber);
// The name of output file `number` (2, 3, ...) from the first file's name.
std::string NextOutputName(const std::string& firstName, int number);

} // namespace kelp
