#pragma once
// What the file utility tests share: a program, a host, a folder, small data files with
// distinct clicks, and the bytes of a file cut at its minute markers.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "files/file_utilities.h"
#include "tests/support/builders.h"

namespace kelp {

using Bytes = std::vector<std::uint8_t>;

class FilesTest : public ::testing::Test {
protected:
    static MinuteNumber Day(int day, int hour = 0, int minute = 0) {
        return MakeMinute(2024, 3, day, hour, minute);
    }

    // A file of `minutes` minutes from `first`, with `clicks` clicks per minute whose times
    // tell their minute apart (so a copy of the wrong records shows).
    std::string Data(const std::string& name, FileKind kind, MinuteNumber first, int minutes,
                     int clicks = 2) {
        testing::DataFileBuilder b(kind, first);
        // The click count a scan for the map writes back, so that a scan changes nothing.
        if (kind == FileKind::KL1) b.Header().SetClickCount(static_cast<std::uint32_t>(minutes * clicks));
        for (int m = 0; m < minutes; ++m) {
            b.Minute(100 + m % 50);
            for (int c = 0; c < clicks; ++c)
                b.Click(testing::MakeClick(1000 * (c + 1) + m, 120 + c), kind == FileKind::KL3 ? 5 : 0);
        }
        return b.Write(dir.File(name));
    }
    std::string Kl1(const std::string& name, MinuteNumber first, int minutes, int clicks = 2) {
        return Data(name, FileKind::KL1, first, minutes, clicks);
    }

    static Bytes Read(const std::string& path) { return testing::ReadFileBytes(path); }

    // Positions of the minute markers of a file's records, and of its first end record.
    static std::vector<std::size_t> Markers(const Bytes& bytes, int R) {
        std::vector<std::size_t> at;
        for (std::size_t p = HeaderLength; p + R <= bytes.size(); p += static_cast<std::size_t>(R)) {
            const int type = bytes[p + static_cast<std::size_t>(R) - 1];
            if (type == TypeMinuteMarker) at.push_back(p);
            if (type == TypeEndOfData) {
                at.push_back(p);
                break;
            }
        }
        return at;
    }
    static Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t to) {
        return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                     bytes.begin() + static_cast<std::ptrdiff_t>(to));
    }
    static void Put32(Bytes& bytes, int offset, std::int32_t v) {
        WriteBE(bytes.data(), static_cast<std::size_t>(offset), 4, static_cast<std::uint32_t>(v));
    }
    static std::int32_t Get32(const Bytes& bytes, int offset) {
        return ReadBE32Signed(bytes.data(), static_cast<std::size_t>(offset));
    }
    static void AddEnd(Bytes& bytes, int R) {
        bytes.insert(bytes.end(), static_cast<std::size_t>(2 * R), 255);
    }

    // The names of the files in the folder, sorted.
    std::vector<std::string> Listing() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

    bool Showed(const std::string& text) const { return host.Showed(text); }
    bool Open(const std::string& path, int slot) { return OpenDataFile(program, host, path, slot); }

    testing::TempDir dir;
    Program program;
    HeadlessHost host;
};

} // namespace kelp
