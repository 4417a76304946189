// Broken files of every kind: random bytes after a good header, random headers, files
// cut off anywhere, garbled bytes. Opening and reading them must neither crash nor hang,
// and the person sees only the program's own messages.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp {
namespace {

using testing::DataFileBuilder;

class RobustnessTest : public ::testing::Test {
protected:
    // A good file of a few minutes to start from.
    std::vector<std::uint8_t> GoodFile(FileKind kind, int minutes) {
        DataFileBuilder b(kind, 40'000);
        for (int m = 0; m < minutes; ++m) {
            b.Minute(static_cast<int>(random() % 200), static_cast<int>(random() % 256));
            std::int32_t t = 0;
            const int clicks = static_cast<int>(random() % 30);
            for (int i = 0; i < clicks; ++i) {
                ClickRecord c = testing::MakeClick(t += 1 + static_cast<std::int32_t>(random() % 300'000),
                                                   static_cast<int>(random() % 256));
                c.ClassCode = static_cast<std::int32_t>(random() % 5);
                c.Quality = static_cast<std::uint8_t>(random() % 4);
                c.Species = static_cast<std::uint8_t>(random() % 5);
                b.Click(c, kind == FileKind::KL3 ? static_cast<std::uint8_t>(5 + random() % 123) : 0);
            }
        }
        return b.Bytes();
    }

    std::uint8_t RandomByte() { return static_cast<std::uint8_t>(random()); }

    // Opens the bytes as a file of `extension`, positions at several minutes and reads
    // every record; checks that the reading ends and that every message is one of ours.
    void OpenAndRead(const std::vector<std::uint8_t>& bytes, const std::string& extension, bool development) {
        const std::string path = dir.File("case" + std::to_string(++cases) + extension);
        testing::WriteFileBytes(path, bytes);
        Program program;
        program.Options.DevelopmentMode = development;
        program.Options.ClickPeaks = (cases % 3) == 0;
        program.Display.TimeScale = 11;
        HeadlessHost host;
        const bool opened = OpenDataFile(program, host, path, 1 + cases % 3);
        const int slot = 1 + cases % 3;
        if (opened) {
            FileSlot& s = program.Slot(slot);
            const MinuteNumber first = s.FirstMinute;
            const std::int64_t span =
                std::max<std::int64_t>(1, static_cast<std::int64_t>(s.LastMinute) - first + 1);
            for (const std::int64_t offset :
                 {std::int64_t{-5}, std::int64_t{0}, span / 2, span - 1, span + 3}) {
                const auto minute = static_cast<MinuteNumber>(
                    std::clamp<std::int64_t>(first + offset, std::numeric_limits<MinuteNumber>::min(),
                                             std::numeric_limits<MinuteNumber>::max()));
                PositionAt(program, host, minute, static_cast<std::int32_t>(random() % 12'000'000));
                std::int64_t calls = 0;
                const std::int64_t limit = s.FileSize / s.RecordLength + 10;
                while (s.MoreData && calls <= limit) {
                    NextRecord(program, host, slot);
                    ++calls;
                }
                ASSERT_LE(calls, limit) << "reading did not end: " << path;
            }
            // The file may have been repaired, but only by at most two pairs of end records.
            const std::int64_t size = FileSizeOf(path);
            EXPECT_LE(size, static_cast<std::int64_t>(bytes.size()) + 4 * s.RecordLength) << path;
            CloseDataFile(program, host, slot);
        }
        for (const auto& m : host.Messages)
            EXPECT_TRUE(Known(m.Text, path)) << "unexpected message \"" << m.Text << "\" for " << path;
    }

    static bool Known(const std::string& text, const std::string& path) {
        static const std::set<std::string> texts{
            RecordClassErrorText, "There may be problems with this file, but let us see what happens ....",
            "Adding first min marker", "Faulty file termination repaired", "255s written"};
        if (texts.count(text)) return true;
        if (text == path + " is too small to hold any data (0)") return true;
        // Development mode reports a corrected last minute as a number and UP or DOWN.
        const auto blank = text.find(' ');
        if (blank != std::string::npos && (text.substr(blank) == " UP" || text.substr(blank) == " DOWN"))
            return true;
        return false;
    }

    testing::TempDir dir;
    std::mt19937 random{20240101};
    int cases = 0;
};

TEST_F(RobustnessTest, RandomBytesAfterAGoodHeader) {
    for (FileKind kind : {FileKind::KL1, FileKind::KL2, FileKind::KL3}) {
        for (int i = 0; i < 40; ++i) {
            auto bytes = GoodFile(kind, 2);
            bytes.resize(360);
            const std::size_t body = static_cast<std::size_t>(random() % 6000);
            for (std::size_t b = 0; b < body; ++b) bytes.push_back(RandomByte());
            OpenAndRead(bytes, KindExtension(kind), i % 2 == 0);
        }
    }
}

TEST_F(RobustnessTest, RandomHeaders) {
    for (int i = 0; i < 120; ++i) {
        const FileKind kind = static_cast<FileKind>(1 + i % 3);
        auto bytes = GoodFile(kind, 1 + i % 6);
        for (int b = 0; b < 360; ++b) bytes[static_cast<std::size_t>(b)] = RandomByte();
        // Some headers keep a usable record length, a 40-byte development format or duty cycles.
        if (i % 4 == 0) bytes[1] = static_cast<std::uint8_t>(kind == FileKind::KL1 ? 10 : 20);
        if (i % 8 == 1) {
            bytes[1] = 40;
            bytes[6] = 2;
        }
        OpenAndRead(bytes, KindExtension(kind), i % 3 == 0);
    }
}

TEST_F(RobustnessTest, FilesCutOffAnywhere) {
    for (int i = 0; i < 120; ++i) {
        const FileKind kind = static_cast<FileKind>(1 + i % 3);
        auto bytes = GoodFile(kind, 1 + i % 10);
        bytes.resize(static_cast<std::size_t>(random() % (bytes.size() + 1)));
        OpenAndRead(bytes, KindExtension(kind), i % 2 == 1);
    }
}

TEST_F(RobustnessTest, GarbledBytesInGoodFiles) {
    for (int i = 0; i < 120; ++i) {
        const FileKind kind = static_cast<FileKind>(1 + i % 3);
        auto bytes = GoodFile(kind, 2 + i % 20);
        const int flips = 1 + static_cast<int>(random() % 12);
        for (int f = 0; f < flips; ++f) bytes[random() % bytes.size()] = RandomByte();
        OpenAndRead(bytes, KindExtension(kind), i % 2 == 0);
    }
}

TEST_F(RobustnessTest, WildMapFiles) {
    for (int i = 0; i < 40; ++i) {
        const auto bytes = GoodFile(FileKind::KL1, 5);
        const std::string path = dir.File("mapped" + std::to_string(i) + ".KL1");
        testing::WriteFileBytes(path, bytes);
        std::vector<std::uint8_t> map(static_cast<std::size_t>(random() % 80));
        for (auto& b : map) b = RandomByte();
        if (map.size() >= 8 && i % 2 == 0)
            map[0] = 104, map[1] = 1, std::fill(map.begin() + 2, map.begin() + 8, 0);
        testing::WriteFileBytes(dir.File("mapped" + std::to_string(i) + ".k1m"), map);
        Program program;
        HeadlessHost host;
        ASSERT_TRUE(OpenDataFile(program, host, path, 1));
        PositionAt(program, host, 40'003, 0);
        int calls = 0;
        while (program.Slot(1).MoreData && calls < 1000) {
            NextRecord(program, host, 1);
            ++calls;
        }
        EXPECT_LT(calls, 1000);
        for (const auto& m : host.Messages) EXPECT_TRUE(Known(m.Text, path)) << m.Text;
    }
}

} // namespace
} // namespace kelp
