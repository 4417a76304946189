#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/file_io.h"
#include "export/tidy_table.h"
#include "tests/export/export_fixture.h"

namespace kelp {
namespace {

using testing::ExportTest;
using testing::TrainClickAt;

TEST_F(ExportTest, TidyTableHasARowPerPeriodWithItsEffortAndARecordBesideIt) {
    // Three hours from 23:30; the logger is off (angle outside its range) in the last hour.
    const std::string path = MakeFile(
        "site\tone.KL3", FileKind::KL3, MakeMinute(2024, 6, 1, 23, 30), 150,
        [](int m) {
            return m % 7 == 0 ? std::vector<TrainClickAt>{{500, 5}} : std::vector<TrainClickAt>{};
        },
        [](int m) {
            std::vector<std::uint8_t> r(20, 0);
            r[3] = 90;
            r[4] = m >= 90 ? 200 : 64;
            return r;
        });
    ASSERT_TRUE(OpenDataFile(program, host, path, 1));
    Page().Period = ExportPeriod::Hours;
    const std::string name = dir.File("dpm.tsv");
    ASSERT_EQ(ExportTidyTable(program, host, name), 1);
    const std::string logger = "site one.KL3\t1104\t";
    EXPECT_EQ(testing::FileText(name), "file\tlogger\tperiod_start\tperiod_end\tminutes_on\tdpm\n" + logger +
                                           "2024-06-01T23:30:00\t2024-06-02T00:00:00\t30\t5\n" + logger +
                                           "2024-06-02T00:00:00\t2024-06-02T01:00:00\t60\t8\n" + logger +
                                           "2024-06-02T01:00:00\t2024-06-02T02:00:00\t0\tNA\n");
    const std::string json = testing::FileText(dir.File("dpm.json"));
    for (const std::string& field : std::vector<std::string>{
             "\"data_item\": \"dpm\"", "\"period\": \"hours\"", "\"period_minutes\": 60", "\"logger\": 1104",
             "\"name\": \"site\\tone.KL3\"", "\"first_minute\": \"2024-06-01T23:30:00\"",
             "\"last_minute\": \"2024-06-02T01:59:00\"", "\"qualities\": [\"Hi\", \"Mod\"]",
             "\"use_endpoints\": false", "\"size_bytes\": " + std::to_string(FileSizeOf(path))})
        EXPECT_NE(json.find(field), std::string::npos) << field;

    // No periods, no table; and neither file is left when the record cannot be written.
    ChooseDataItem(Page(), ExportItem::ClickRepeat);
    EXPECT_EQ(ExportTidyTable(program, host, dir.File("ici.tsv")), 0);
    EXPECT_TRUE(host.Showed(TidyItemRefusedText));
    ChooseDataItem(Page(), ExportItem::Dpm);
    ASSERT_TRUE(std::filesystem::create_directory(dir.File("taken.json")));
    EXPECT_EQ(ExportTidyTable(program, host, dir.File("taken.tsv")), 0);
    EXPECT_FALSE(FileExists(dir.File("taken.tsv")));
    // A .json name is the record's own: refused, and an earlier file of that name is kept.
    std::ofstream(dir.File("earlier.json")) << "kept";
    EXPECT_EQ(ExportTidyTable(program, host, dir.File("earlier.json")), 0);
    EXPECT_TRUE(host.Showed(TidyJsonNameRefusedText));
    EXPECT_EQ(testing::FileText(dir.File("earlier.json")), "kept");
}

} // namespace
} // namespace kelp
