#include "core/header.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "core/bytes.h"

namespace kelp {

namespace {
std::string UpperExtension(std::string_view name) {
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    std::string ext(name.substr(dot));
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}
} // namespace

FileKind FileKindFromName(std::string_view name) {
    const std::string ext = UpperExtension(name);
    if (ext == ".KL1") return FileKind::KL1;
    if (ext == ".KL2") return FileKind::KL2;
    if (ext == ".KL3") return FileKind::KL3;
    return FileKind::None;
}

std::string KindExtension(FileKind kind) {
    switch (kind) {
    case FileKind::KL1:
        return ".KL1";
    case FileKind::KL2:
        return ".KL2";
    case FileKind::KL3:
        return ".KL3";
    default:
        return "";
    }
}

std::string WithExtension(std::string_view name, std::string_view extension) {
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.find_last_of('.');
    std::string base(name);
    if (dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash))
        base = name.substr(0, dot);
    return base + std::string(extension);
}

std::string ShortNameOf(std::string_view path) {
    const auto slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

int RecordLengthFromByte(std::uint8_t byte1) {
    return (byte1 >= 10 && byte1 <= 50) ? byte1 : 15;
}

std::string ReadTextField(const std::uint8_t* bytes, int width) {
    std::string text;
    for (int i = 0; i < width; ++i) {
        const std::uint8_t c = bytes[i];
        if (c == 0 || c == 255) continue;
        if (c == ' ' && i + 1 < width && bytes[i + 1] == ' ') continue;
        text += static_cast<char>(c);
    }
    return text;
}

std::uint32_t DataFileHeader::ReadBEAt(int offset, int width) const {
    return ReadBE(Bytes.data(), static_cast<std::size_t>(offset), width);
}

void DataFileHeader::SetU(int offset, int width, std::uint32_t value) {
    WriteBE(Bytes.data(), static_cast<std::size_t>(offset), width, value);
}

void DataFileHeader::WriteText(int offset, int width, std::string_view text) {
    for (int i = 0; i < width; ++i)
        Bytes[static_cast<std::size_t>(offset + i)] =
            i < static_cast<int>(text.size()) ? static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)])
                                              : 0;
}

void DataFileHeader::WriteRaw(int offset, int width, std::string_view text) {
    WriteText(offset, width, text);
}

std::string DataFileHeader::DigitsOf(int offset, int width) const {
    std::string digits;
    for (int i = 0; i < width; ++i) {
        const char c = static_cast<char>(Bytes[static_cast<std::size_t>(offset + i)]);
        if (c >= '0' && c <= '9') digits += c;
    }
    return digits;
}

void DataFileHeader::SetLoggerNumber(int number) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d", std::clamp(number, 0, 9999));
    WriteRaw(164, 4, buf);
}

int EnvelopeCodingKindFor(int loggerNumber) {
    if (loggerNumber <= 400) return 0;
    if (loggerNumber <= 488) return 1;
    return 2;
}

} // namespace kelp
