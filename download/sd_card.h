#pragma once
// The logger's own files on its SD card: the header block at the start of DATA0.ORV,
// the minute markers and click records of the record stream, and the names of the
// data files. The program only reads these; the simulator writes them.
#include <array>
#include <cstdint>
#include <string>

#include "core/bytes.h"
#include "core/settings_area.h"

namespace kelp {

inline constexpr int SDBlockSize = 512;
inline constexpr int SDMarkerSize = 6;
inline constexpr int SDClickSize = 10;
inline constexpr std::uint8_t SDMarkerByte = 254;
// Each later data file repeats the last 10 bytes of the file before it.
inline constexpr int SDOverlapBytes = 10;
// The data files DATA0 .. DATA32 are the most the program reads.
inline constexpr int SDLastDataFile = 32;
// Blocks logged of 0 or all bits but the top one: no summary was written.
inline constexpr std::uint32_t SDNoSizeMarker = 2'147'483'647;

// The first 512 bytes of DATA0.ORV, with a named accessor for each field the program uses.
struct SDHeaderBlock {
    static constexpr int SettingsOffset = SettingsAreaOffset;
    static constexpr int BlocksLoggedOffset = 128;
    static constexpr int OverallMinutesOffset = 132;
    static constexpr int LoggingMinutesOffset = 135;
    static constexpr int LimitMinutesOffset = 138;
    static constexpr int YearMadeOffset = 160;
    static constexpr int LoggerNumberOffset = 164;
    static constexpr int LoggerVersionOffset = 191;

    std::array<std::uint8_t, SDBlockSize> Bytes{};

    std::uint32_t BlocksLogged() const { return ReadBE(Bytes.data(), BlocksLoggedOffset, 4); }
    void SetBlocksLogged(std::uint32_t v) { WriteBE(Bytes.data(), BlocksLoggedOffset, 4, v); }
    bool DataSizeKnown() const { return BlocksLogged() != 0 && BlocksLogged() != SDNoSizeMarker; }
    int OverallMinutes() const { return static_cast<int>(ReadBE(Bytes.data(), OverallMinutesOffset, 3)); }
    void SetOverallMinutes(int v) {
        WriteBE(Bytes.data(), OverallMinutesOffset, 3, static_cast<std::uint32_t>(v));
    }
    // Minutes switched on and logging, minus one.
    int LoggingMinutesLessOne() const {
        return static_cast<int>(ReadBE(Bytes.data(), LoggingMinutesOffset, 3));
    }
    void SetLoggingMinutesLessOne(int v) {
        WriteBE(Bytes.data(), LoggingMinutesOffset, 3, static_cast<std::uint32_t>(v));
    }
    int LimitMinutes() const { return static_cast<int>(ReadBE(Bytes.data(), LimitMinutesOffset, 3)); }
    void SetLimitMinutes(int v) {
        WriteBE(Bytes.data(), LimitMinutesOffset, 3, static_cast<std::uint32_t>(v));
    }

    // No summary when the logger number's four bytes are all 0.
    bool HasSummary() const;
    // The digits among the logger number's four bytes.
    std::string LoggerNumberDigits() const;
    // The decimal value of those digits; 0 when there are none.
    int LoggerNumber() const;
    void SetLoggerNumber(int number);
    void SetYearMade(int year);
    std::uint8_t LoggerVersion() const { return Bytes[LoggerVersionOffset]; }
    void SetLoggerVersion(std::uint8_t v) { Bytes[LoggerVersionOffset] = v; }

    const std::uint8_t* Settings() const { return &Bytes[SettingsOffset]; }
    std::uint8_t* Settings() { return &Bytes[SettingsOffset]; }
    // Clears the summary fields (128..167), as on a card taken out before the setup button was pressed.
    void ClearSummary();
};

// Where the start delay sits in the settings area as the download reads it: bytes 70..71 for
// logger numbers 2..103 and 105..124, bytes 68..69 for every other number.
int StartDelayOffset(int loggerNumber);
int StartDelayFrom(const SDHeaderBlock& block, int loggerNumber);

struct SDMinuteMarker {
    std::uint32_t MinuteNumber = 0; // 24 bits, 1 for the first logged minute
    std::uint8_t Temperature = 0;   // 0.2 degrees C per unit
    std::uint8_t Angle = 0;         // tilt code
};

struct SDClickRecord {
    std::uint32_t Time = 0; // 24 bits, 5 us units within the minute
    std::uint8_t CyclesLessOne = 0;
    std::uint8_t Bandwidth = 0; // 0..31
    std::uint16_t Zsum = 0;     // 11 bits
    std::uint8_t EndPeriodCode = 0;
    std::uint8_t Amplitude = 0;
    std::uint8_t E1 = 0;
    std::uint8_t E2 = 0;
};

void EncodeSDMarker(std::uint8_t* out, const SDMinuteMarker& marker);
SDMinuteMarker DecodeSDMarker(const std::uint8_t* in);
void EncodeSDClick(std::uint8_t* out, const SDClickRecord& click);
SDClickRecord DecodeSDClick(const std::uint8_t* in);

// A record position holding erased bytes: its first two bytes both 255, or bytes 3, 4 and 5 all 0.
inline bool IsBlankRecord(const std::uint8_t* r) {
    return (r[0] == 255 && r[1] == 255) || (r[3] == 0 && r[4] == 0 && r[5] == 0);
}

// "DATA<n>.ORV" in the letter case of the DATA0 name given (a card mounted with lower-case
// names holds "data1.orv"): `data0Name` is the name without its folder.
std::string DataFileName(const std::string& data0Name, int n);
// True for "DATA0.ORV" in any letter case.
bool IsData0Name(const std::string& name);
// True when the name ends in ".ORV" in any letter case.
bool HasOrvExtension(const std::string& name);
// The folder part of a path ("" when there is none), without the trailing slash.
std::string FolderOf(const std::string& path);
std::string JoinPath(const std::string& folder, const std::string& name);

} // namespace kelp
