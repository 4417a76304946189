#include "download/sd_card.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>

namespace kelp {

bool SDHeaderBlock::HasSummary() const {
    for (int i = 0; i < 4; ++i)
        if (Bytes[static_cast<std::size_t>(LoggerNumberOffset + i)] != 0) return true;
    return false;
}

std::string SDHeaderBlock::LoggerNumberDigits() const {
    std::string digits;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>(Bytes[static_cast<std::size_t>(LoggerNumberOffset + i)]);
        if (c >= '0' && c <= '9') digits += c;
    }
    return digits;
}

int SDHeaderBlock::LoggerNumber() const {
    const std::string digits = LoggerNumberDigits();
    return digits.empty() ? 0 : std::stoi(digits);
}

void SDHeaderBlock::SetLoggerNumber(int number) {
    char text[8];
    std::snprintf(text, sizeof text, "%04d", std::clamp(number, 0, 9999));
    std::memcpy(&Bytes[LoggerNumberOffset], text, 4);
}

void SDHeaderBlock::SetYearMade(int year) {
    char text[8];
    std::snprintf(text, sizeof text, "%04d", std::clamp(year, 0, 9999));
    std::memcpy(&Bytes[YearMadeOffset], text, 4);
}

void SDHeaderBlock::ClearSummary() {
    std::fill(&Bytes[128], &Bytes[168], std::uint8_t{0});
}

int StartDelayOffset(int loggerNumber) {
    const bool secondPlace =
        (loggerNumber >= 2 && loggerNumber <= 103) || (loggerNumber >= 105 && loggerNumber <= 124);
    return secondPlace ? 70 : 68;
}

int StartDelayFrom(const SDHeaderBlock& block, int loggerNumber) {
    return static_cast<int>(
        ReadBE(block.Bytes.data(), static_cast<std::size_t>(StartDelayOffset(loggerNumber)), 2));
}

void EncodeSDMarker(std::uint8_t* out, const SDMinuteMarker& m) {
    out[0] = SDMarkerByte;
    WriteBE(out, 1, 3, m.MinuteNumber);
    out[4] = m.Temperature;
    out[5] = m.Angle;
}

SDMinuteMarker DecodeSDMarker(const std::uint8_t* in) {
    return {ReadBE24(in + 1), in[4], in[5]};
}

void EncodeSDClick(std::uint8_t* out, const SDClickRecord& c) {
    WriteBE(out, 0, 3, c.Time);
    out[3] = c.CyclesLessOne;
    out[4] = static_cast<std::uint8_t>((c.Bandwidth & 31) | (((c.Zsum >> 8) & 7) << 5));
    out[5] = static_cast<std::uint8_t>(c.Zsum & 0xFF);
    out[6] = c.EndPeriodCode;
    out[7] = c.Amplitude;
    out[8] = c.E1;
    out[9] = c.E2;
}

SDClickRecord DecodeSDClick(const std::uint8_t* in) {
    SDClickRecord c;
    c.Time = ReadBE24(in);
    c.CyclesLessOne = in[3];
    c.Bandwidth = static_cast<std::uint8_t>(in[4] & 31);
    c.Zsum = static_cast<std::uint16_t>(((in[4] >> 5) << 8) | in[5]);
    c.EndPeriodCode = in[6];
    c.Amplitude = in[7];
    c.E1 = in[8];
    c.E2 = in[9];
    return c;
}

namespace {
std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}
} // namespace

std::string DataFileName(const std::string& data0Name, int n) {
    // Keep the letter case of "DATA" and of the extension as the card shows them.
    std::string prefix = "DATA";
    std::string extension = ".ORV";
    if (IsData0Name(data0Name)) {
        prefix = data0Name.substr(0, 4);
        extension = data0Name.substr(5);
    }
    return prefix + std::to_string(n) + extension;
}

bool IsData0Name(const std::string& name) {
    return Upper(name) == "DATA0.ORV";
}

bool HasOrvExtension(const std::string& name) {
    return name.size() >= 4 && Upper(name.substr(name.size() - 4)) == ".ORV";
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return "";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

} // namespace kelp
