// A map file that no longer fits its data file: one left from an earlier version of the
// file, or one rewritten while the reader loads it. The reader reads the same records as
// from a fresh scan.
#include <gtest/gtest.h>

#include <filesystem>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/reader.h"
#include "tests/robustness/deployment_fixture.h"

namespace kelp {
namespace {

class MapChangeTest : public testing::DeploymentTest {
protected:
    // The records of the KL3 file from its minute `minute` (0: the first) on.
    std::string RecordsFrom(int minute) {
        Program p;
        HeadlessHost h;
        if (!OpenDataFile(p, h, File("D KELP.KL3"), 1)) return "";
        FileSlot& s = p.Slot(1);
        PositionAt(p, h, s.FirstMinute + minute, 0);
        std::string records;
        while (s.MoreData) {
            NextRecord(p, h, 1);
            records += std::to_string(s.NRType) + " " + std::to_string(s.CurrentMinute) + " " +
                       std::to_string(s.Click.Time) + "\n";
        }
        return records;
    }

    // The map of the KL3 file with the position of every marker (or of marker `only`) moved
    // by `shift` bytes.
    std::vector<std::uint8_t> ShiftedMap(std::int64_t shift, int only) {
        const auto data = Bytes("D KELP.KL3");
        std::vector<std::uint8_t> map;
        for (std::size_t pos = HeaderLength; pos + 20 <= data.size(); pos += 20) {
            const std::uint8_t type = data[pos + 19];
            if (type != TypeMinuteMarker && type != TypeEndOfData) continue;
            const bool moved =
                type == TypeMinuteMarker && (only < 0 || only == static_cast<int>(map.size() / 8));
            std::uint8_t entry[8];
            WriteLE64(entry, static_cast<std::int64_t>(pos) + (moved ? shift : 0));
            map.insert(map.end(), entry, entry + 8);
            if (type == TypeEndOfData) break;
        }
        return map;
    }
};

TEST_F(MapChangeTest, AMapThatDoesNotFitItsFileIsMadeAgain) {
    const std::string fresh[2] = {RecordsFrom(2), RecordsFrom(5)};
    ASSERT_NE(fresh[0], "");
    struct Case {
        const char* Name;
        std::int64_t Shift; // of every marker's position in the map file
        int Only;           // the one marker moved (-1: all), and the minute read from (else 2)
        bool CutWhileRead;  // the map file is cut to 12 bytes just as it is read
    };
    // The sixth minute's marker is followed by clicks: the reader sent there finds no marker.
    const Case cases[] = {{"a map of an earlier file, its markers a record off", 20, -1, false},
                          {"a map off by part of a record", -7, -1, false},
                          {"the sixth minute's marker a record off", 20, 5, false},
                          {"a map cut short while it is read", 0, -1, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Fresh();
        testing::WriteFileBytes(File("D KELP.k3m"), ShiftedMap(c.Shift, c.Only));
        FaultPlan plan;
        if (c.CutWhileRead)
            plan.Before(
                FileOperation::Read, 1,
                [](const std::string& path) { std::filesystem::resize_file(path, 12); }, ".k3m");
        ScopedFaultPlan installed(plan);
        EXPECT_EQ(RecordsFrom(c.Only < 0 ? 2 : c.Only), fresh[c.Only < 0 ? 0 : 1]);
    }
}

} // namespace
} // namespace kelp
