#pragma once
// The 360-byte header shared by KL1, KL2 and KL3 files, with a named accessor for
// every field. Nothing else in the program reads header bytes by bare offset.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings_area.h"
#include "core/time.h"

namespace kelp {

inline constexpr int HeaderLength = 360;

enum class FileKind : int { None = 0, KL1 = 1, KL2 = 2, KL3 = 3 };

// The kind of a data file from its extension alone (".KL1", ".kl2", ...); anything else is None.
FileKind FileKindFromName(std::string_view name);
// The extension of a kind, upper case with the dot (".KL1").
std::string KindExtension(FileKind kind);
// The same file name with another extension (the part after the last dot replaced).
std::string WithExtension(std::string_view name, std::string_view extension);
// The name without its folder.
std::string ShortNameOf(std::string_view path);

// Header byte 1 gives the record length when it is 10..50; any other value means 15.
int RecordLengthFromByte(std::uint8_t byte1);

// Header format codes in byte 0.
inline constexpr std::uint8_t FormatCodeKL1 = 24;
inline constexpr std::uint8_t FormatCodeKL2 = 36;

// Reads a free-text header field: bytes 0 and 255 are skipped, and so is a blank
// followed by another blank.
std::string ReadTextField(const std::uint8_t* bytes, int width);

class DataFileHeader {
public:
    static constexpr int Size = HeaderLength;

    // Field offsets, for the operations that write one field in place.
    static constexpr int ClickCountOffset = 128;
    static constexpr int FirstMinuteOffset = 256;
    static constexpr int LastMinuteOffset = 260;
    static constexpr int CreatedMinuteOffset = 264;
    static constexpr int OriginalFirstMinuteOffset = 268;
    static constexpr int EndpointStartOffset = 272;
    static constexpr int EndpointEndOffset = 276;

    std::array<std::uint8_t, Size> Bytes{};

    std::uint8_t FormatCode() const { return Bytes[0]; }
    void SetFormatCode(std::uint8_t v) { Bytes[0] = v; }
    std::uint8_t RecordLengthByte() const { return Bytes[1]; }
    void SetRecordLengthByte(std::uint8_t v) { Bytes[1] = v; }
    int RecordLength() const { return RecordLengthFromByte(Bytes[1]); }

    bool EnvelopeReady() const { return (Bytes[2] & 1) != 0; }
    void SetEnvelopeReady(bool on) { Bytes[2] = on ? (Bytes[2] | 1) : (Bytes[2] & 0xFE); }
    std::uint8_t EnvelopeKindTwoFlag() const { return Bytes[3]; }
    void SetEnvelopeKindTwoFlag(std::uint8_t v) { Bytes[3] = v; }
    bool LandmarksMarked() const { return (Bytes[4] & 1) != 0; }
    void SetLandmarksMarked(bool on) { Bytes[4] = on ? (Bytes[4] | 1) : (Bytes[4] & 0xFE); }
    // Record format byte 6: 2 is the 40-byte development format; readers treat values above 2 as 0.
    std::uint8_t RecordFormatByte() const { return Bytes[6]; }
    int RecordFormat() const { return Bytes[6] > 2 ? 0 : Bytes[6]; }
    void SetRecordFormat(std::uint8_t v) { Bytes[6] = v; }

    std::string Latitude() const { return ReadTextField(&Bytes[13], 8); }
    void SetLatitude(std::string_view t) { WriteText(13, 8, t); }
    std::string Longitude() const { return ReadTextField(&Bytes[21], 8); }
    void SetLongitude(std::string_view t) { WriteText(21, 8, t); }
    int DeploymentDepth() const { return U(29, 2); }
    void SetDeploymentDepth(int v) { SetU(29, 2, static_cast<std::uint32_t>(v)); }
    int WaterDepth() const { return U(31, 2); }
    void SetWaterDepth(int v) { SetU(31, 2, static_cast<std::uint32_t>(v)); }
    std::string Location() const { return ReadTextField(&Bytes[33], 31); }
    void SetLocation(std::string_view t) { WriteText(33, 31, t); }

    // The 64-byte logger settings area, copied from the card (layout 0 or 1).
    const std::uint8_t* Settings() const { return &Bytes[SettingsAreaOffset]; }
    std::uint8_t* Settings() { return &Bytes[SettingsAreaOffset]; }
    // The settings area's values in its layout (0 or 1, by the logger number).
    SettingsAreaReading SettingsArea(int layout) const { return ReadSettingsArea(Settings(), layout); }

    // KL1: click records in the file; in the card's first block: 512-byte blocks logged.
    std::uint32_t ClickCount() const { return static_cast<std::uint32_t>(U(128, 4)); }
    void SetClickCount(std::uint32_t v) { SetU(128, 4, v); }
    int MinutesOverall() const { return U(132, 3); }
    void SetMinutesOverall(int v) { SetU(132, 3, static_cast<std::uint32_t>(v)); }
    int LoggingMinutes() const { return U(135, 3); }
    void SetLoggingMinutes(int v) { SetU(135, 3, static_cast<std::uint32_t>(v)); }
    int LimitMinutes() const { return U(138, 3); }
    void SetLimitMinutes(int v) { SetU(138, 3, static_cast<std::uint32_t>(v)); }

    // Four ASCII digits each.
    std::string YearMadeText() const { return DigitsOf(160, 4); }
    std::string YearMadeRaw() const { return std::string(reinterpret_cast<const char*>(&Bytes[160]), 4); }
    void SetYearMade(std::string_view t) { WriteRaw(160, 4, t); }
    std::string LoggerNumberDigits() const { return DigitsOf(164, 4); }
    std::string LoggerNumberRaw() const { return std::string(reinterpret_cast<const char*>(&Bytes[164]), 4); }
    void SetLoggerNumberText(std::string_view t) { WriteRaw(164, 4, t); }
    // Writes the number as four digits with leading zeros.
    void SetLoggerNumber(int number);

    std::uint8_t LoggerVersion() const { return Bytes[191]; }
    void SetLoggerVersion(std::uint8_t v) { Bytes[191] = v; }

    // Notes: written into 44 bytes (211..254); read from 45 bytes (211..255).
    std::string Notes() const { return ReadTextField(&Bytes[211], 45); }
    void SetNotes(std::string_view t) { WriteText(211, 44, t); }

    MinuteNumber FirstMinute() const { return S32(FirstMinuteOffset); }
    void SetFirstMinute(MinuteNumber m) { SetS32(FirstMinuteOffset, m); }
    MinuteNumber LastMinute() const { return S32(LastMinuteOffset); }
    void SetLastMinute(MinuteNumber m) { SetS32(LastMinuteOffset, m); }
    MinuteNumber CreatedMinute() const { return S32(CreatedMinuteOffset); }
    void SetCreatedMinute(MinuteNumber m) { SetS32(CreatedMinuteOffset, m); }
    MinuteNumber OriginalFirstMinute() const { return S32(OriginalFirstMinuteOffset); }
    void SetOriginalFirstMinute(MinuteNumber m) { SetS32(OriginalFirstMinuteOffset, m); }
    MinuteNumber EndpointStart() const { return S32(EndpointStartOffset); }
    void SetEndpointStart(MinuteNumber m) { SetS32(EndpointStartOffset, m); }
    MinuteNumber EndpointEnd() const { return S32(EndpointEndOffset); }
    void SetEndpointEnd(MinuteNumber m) { SetS32(EndpointEndOffset, m); }

    // Envelope coding kind 0, 1 or 2 (by logger number: up to 400, 401..488, 489 and above).
    std::uint8_t EnvelopeCodingKind() const { return Bytes[292]; }
    void SetEnvelopeCodingKind(std::uint8_t v) { Bytes[292] = v; }
    std::uint8_t TdaVersion() const { return Bytes[293]; }
    void SetTdaVersion(std::uint8_t v) { Bytes[293] = v; }

    // Raw access by offset for the few generic tools (dump, byte-exact tests).
    int U(int offset, int width) const { return static_cast<int>(ReadBEAt(offset, width)); }
    void SetU(int offset, int width, std::uint32_t value);

private:
    std::uint32_t ReadBEAt(int offset, int width) const;
    std::int32_t S32(int offset) const { return static_cast<std::int32_t>(ReadBEAt(offset, 4)); }
    void SetS32(int offset, std::int32_t v) { SetU(offset, 4, static_cast<std::uint32_t>(v)); }
    void WriteText(int offset, int width, std::string_view text);
    void WriteRaw(int offset, int width, std::string_view text);
    std::string DigitsOf(int offset, int width) const;
};

// Envelope coding kind used by a logger number (0 up to 400, 1 for 401..488, 2 from 489).
int EnvelopeCodingKindFor(int loggerNumber);

} // namespace kelp
