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
    // The records from the third minute of the KL3 file on.
    std::string RecordsFromThirdMinute() {
        Program p;
        HeadlessHost h;
        if (!OpenDataFile(p, h, File("D KELP.KL3"), 1)) return "";
        FileSlot& s = p.Slot(1);
        PositionAt(p, h, s.FirstMinute + 2, 0);
        std::string records;
        while (s.MoreData) {
            NextRecord(p, h, 1);
            records += std::to_string(s.NRType) + " " + std::to_string(s.CurrentMinute) + " " +
                       std::to_string(s.Click.Time) + "\n";
        }
        return records;
    }

    // The map of the KL3 file with every marker's position moved by `shift` bytes.
    std::vector<std::uint8_t> ShiftedMap(std::int64_t shift) {
        const auto data = Bytes("D KELP.KL3");
        std::vector<std::uint8_t> map;
        for (std::size_t pos = HeaderLength; pos + 20 <= data.size(); pos += 20) {
            const std::uint8_t type = data[pos + 19];
            if (type != TypeMinuteMarker && type != TypeEndOfData) continue;
            std::uint8_t entry[8];
            WriteLE64(entry, static_cast<std::int64_t>(pos) + (type == TypeMinuteMarker ? shift : 0));
            map.insert(map.end(), entry, entry + 8);
            if (type == TypeEndOfData) break;
        }
        return map;
    }
};

TEST_F(MapChangeTest, AMapThatDoesNotFitItsFileIsMadeAgain) {
    const std::string fresh = RecordsFromThirdMinute();
    ASSERT_NE(fresh, "");
    struct Case {
        const char* Name;
        std::int64_t Shift; // of every marker's position in the map file
        bool CutWhileRead;  // the map file is cut to 12 bytes just as it is read
    };
    const Case cases[] = {{"a map of an earlier file, its markers a record off", 20, false},
                          {"a map off by part of a record", -7, false},
                          {"a map cut short while it is read", 0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        Fresh();
        testing::WriteFileBytes(File("D KELP.k3m"), ShiftedMap(c.Shift));
        FaultPlan plan;
        if (c.CutWhileRead)
            plan.Before(
                FileOperation::Read, 1,
                [](const std::string& path) { std::filesystem::resize_file(path, 12); }, ".k3m");
        ScopedFaultPlan installed(plan);
        EXPECT_EQ(RecordsFromThirdMinute(), fresh);
    }
}

} // namespace
} // namespace kelp
