// The card checks: the summary text of both settings layouts, the block dump and the
// record-by-record check of DATA0.ORV.
#include <gtest/gtest.h>

#include "download/card_diagnostics.h"
#include "tests/download/card_support.h"

namespace kelp::testing {
namespace {

const std::string Tildes(31, '~');

SDHeaderBlock Layout1Block() {
    SDHeaderBlock b;
    b.SetLoggerNumber(1036);
    b.SetYearMade(2019);
    b.SetBlocksLogged(20480);
    b.SetOverallMinutes(2000);
    b.SetLoggingMinutesLessOne(1499);
    b.SetLimitMinutes(300);
    auto& x = b.Bytes;
    x[64] = 0, x[65] = 110, x[66] = 2, x[79] = 1, x[77] = 87, x[78] = 90, x[85] = 5, x[89] = 40, x[84] = 5;
    x[86] = 3, x[87] = 22, x[90] = 8, x[91] = 50, x[82] = 30, x[83] = 250, x[92] = 141, x[81] = 2;
    return b;
}

TEST(CardSummary, Layout1WithEveryLine) {
    SDHeaderBlock b = Layout1Block();
    WriteBE(b.Bytes.data(), 256, 4, static_cast<std::uint32_t>(TestStart));
    WriteBE(b.Bytes.data(), 260, 4, static_cast<std::uint32_t>(TestStart + 100));
    const auto lines = SummaryText(b, [](int n) { return n == 1036 ? 87 : 0; });
    EXPECT_EQ(lines, (std::vector<std::string>{"",
                                               "KELP number 1036",
                                               "Overall minutes  \t1d 9h 20m",
                                               "Logging minutes  \t1d 1h   75%",
                                               "01/05/2024 10:00 to 01/05/2024 11:40",
                                               "Av clicks/m \t698",
                                               "Limit on clicks logged per minute =  4096",
                                               "%mins reaching limit \t20",
                                               "Switch range\t0\t110",
                                               "",
                                               "Intermittent logging: 2minutes OFF between minutes ON",
                                               "Filter\t\t40 kHz",
                                               "Gain,Hys\t\t87,90",
                                               "Pa p-p a,b,c\t\t5,40,5",
                                               "hrI,BW+\t\t3,22",
                                               "LimitFilters\t\t8,50",
                                               "Frange\t\t166 kHz\t20 kHz",
                                               "Alerting freq set:  130 kHz",
                                               "Alerting freq set to high power",
                                               Tildes,
                                               ""}));
    // A registered gain that differs from the card's warns that the card is not fit for use.
    const auto warned = SummaryText(Layout1Block(), [](int) { return 99; });
    const std::vector<std::string> warning{"\t!!! Warning !!!",
                                           "\tKELP operated at incorrect gain",
                                           "\tDo not re-use this SD card",
                                           "\tFiles with incorrect gain cannot",
                                           "\t  be used for train detection",
                                           "\t99/87"};
    EXPECT_TRUE(std::search(warned.begin(), warned.end(), warning.begin(), warning.end()) != warned.end());
    // No warning without a registered gain, nor for a number beyond the table.
    for (int registered : {0, -1}) {
        const auto quiet = SummaryText(Layout1Block(), [registered](int) { return registered; });
        EXPECT_EQ(std::count(quiet.begin(), quiet.end(), "\t!!! Warning !!!"), 0);
    }
}

TEST(CardSummary, Layout0WithoutLoggingSummary) {
    SDHeaderBlock b;
    b.SetLoggerNumber(95);
    b.SetLimitMinutes(7);
    auto& x = b.Bytes;
    x[66] = 40, x[67] = 200, x[80] = 128, x[81] = 128, x[64] = 120, x[65] = 90;
    x[82] = 1, x[83] = 12, x[84] = 1, x[85] = 30, x[86] = 0, x[87] = 250;
    EXPECT_EQ(
        SummaryText(b, nullptr),
        (std::vector<std::string>{"", "KELP number 0095", "Overall minutes  \t",
                                  "No summary of logging found. Was the setup button pressed before removing "
                                  "the SD card?",
                                  "Mins reaching limit \t7", "Switch range\t40\t200", "", "G,H\t\t120,90",
                                  "Pa p-p a,b,c\t\t1,12,1", "BW+\t\t30", Tildes, ""}));
    // Logger 104 and 125 on use layout 1.
    b.SetLoggerNumber(104);
    EXPECT_EQ(SummaryText(b, nullptr)[5], "Switch range\t120\t90");
    SDHeaderBlock none;
    EXPECT_EQ(SummaryText(none, nullptr), (std::vector<std::string>{"No settings summary present", Tildes}));
}

TEST(CardSummary, ShowSummaryReadsOnlyDATA0) {
    TempDir dir;
    TestCard card;
    card.Header = Layout1Block();
    card.Header.Bytes[10] = 9;
    card.Marker(1);
    card.Write(dir.Path());
    HeadlessHost host;
    ReadSDPage page;
    host.OpenAnswers.push_back({dir.File("DATA0.ORV")});
    ShowSummaryBtnClick(host, page, nullptr);
    ASSERT_GT(page.SummaryList.size(), 10u);
    EXPECT_EQ(page.SummaryList[1], "KELP number 1036");
    EXPECT_EQ(page.HeaderBuffer.Bytes[10], 0); // the first 64 bytes of the buffer are cleared
    EXPECT_EQ(host.Dialogs[0].InitialName, "DATA0.ORV");

    page.SummaryList.clear();
    WriteFileBytes(dir.File("OTHER.ORV"), ReadFileBytes(dir.File("DATA0.ORV")));
    host.OpenAnswers.push_back({dir.File("OTHER.ORV")});
    ShowSummaryBtnClick(host, page, nullptr);
    EXPECT_TRUE(page.SummaryList.empty());
    EXPECT_TRUE(host.Messages.empty());

    host.OpenAnswers.push_back({dir.File("missing/DATA0.ORV")});
    ShowSummaryBtnClick(host, page, nullptr);
    EXPECT_TRUE(host.Showed("DATA0.ORV not opened successfully"));

    TempDir bare;
    TestCard removed;
    removed.Header.ClearSummary();
    removed.Marker(1);
    removed.Write(bare.Path());
    host.OpenAnswers.push_back({bare.File("DATA0.ORV")});
    ShowSummaryBtnClick(host, page, nullptr);
    EXPECT_TRUE(
        host.Showed("No logging summary present. This may be due to removing the SD card before pressing "
                    "the setup button"));
    EXPECT_TRUE(page.SummaryList.empty());
}

TEST(CardBlock, DumpsOneBlockOfAnyFile) {
    TempDir dir;
    std::vector<std::uint8_t> bytes(1000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i % 251);
    WriteFileBytes(dir.File("any.bin"), bytes);
    HeadlessHost host;
    ReadSDPage page;
    page.BlockNumberText = "2";
    host.OpenAnswers.push_back({dir.File("any.bin")});
    ShowBlockBtnClick(host, page);
    ASSERT_EQ(page.SummaryList.size(), 488u);
    EXPECT_EQ(page.SummaryList[0], "0\t10"); // byte 512 is 512 mod 251
    EXPECT_EQ(page.SummaryList[487], "487\t" + std::to_string(999 % 251));

    page.SummaryList.clear();
    page.BlockNumberText = "-4";
    host.OpenAnswers.push_back({dir.File("any.bin")});
    ShowBlockBtnClick(host, page);
    EXPECT_EQ(page.BlockNumberText, "1");
    EXPECT_EQ(page.SummaryList.size(), 512u);

    page.SummaryList.clear();
    page.BlockNumberText = "3";
    host.OpenAnswers.push_back({dir.File("any.bin")});
    ShowBlockBtnClick(host, page);
    EXPECT_EQ(page.SummaryList, std::vector<std::string>{"Seek error reading file " + dir.File("any.bin")});

    host.OpenAnswers.push_back({dir.File("none.bin")});
    ShowBlockBtnClick(host, page);
    EXPECT_TRUE(host.Showed("file not opened successfully"));
}

TEST(CardVerify, ReportsCodingErrorsRecordByRecord) {
    TempDir dir;
    TestCard card;
    SDClickRecord shortClick; // two cycles: no period summed
    shortClick.Time = 5000;
    shortClick.CyclesLessOne = 1;
    shortClick.Amplitude = 20;
    card.Marker(1).Click(1000).Marker(2).Record(shortClick).Click(4000).Marker(5).Click(100).Blanks(1);
    card.Raw({1, 2, 3});
    card.Write(dir.Path());
    HeadlessHost host;
    ReadSDPage page;
    host.OpenAnswers.push_back({dir.File("DATA0.ORV")});
    ReadDATAfileForCodeErrors(host, page);
    EXPECT_EQ(
        host.Results().Lines(),
        (std::vector<std::string>{"ncyc\t544\t2\t2", "zsum zero ncyc\t544\t2\t2", "avF\t544\t2\t0",
                                  "ClickN\tFilePosn\tminread\ttime\tlasttime", "3\t554\t2\t4000\t5000",
                                  "5\t3\tmins", "End of 6 * zero", "dropped clicks 4", "dropped clicks 4"}));
    EXPECT_TRUE(host.Showed("3\t554\t2\t4000\t5000"));
    EXPECT_EQ(host.DurationOf("Done"), 2000);
    EXPECT_EQ(page.VerifyCaption, "3");

    // Six zero bytes end the check too; small files and other extensions are left alone.
    TempDir zeros;
    TestCard z;
    z.Marker(1).Click(1000).Blanks(1, 0);
    z.Write(zeros.Path());
    HeadlessHost second;
    second.OpenAnswers.push_back({zeros.File("DATA0.ORV")});
    ReadDATAfileForCodeErrors(second, page);
    EXPECT_EQ(second.Results().Lines(), (std::vector<std::string>{"End of 6 * zero", "dropped clicks 0"}));

    WriteFileBytes(zeros.File("SMALL.ORV"), std::vector<std::uint8_t>(521, 1));
    WriteFileBytes(zeros.File("big.txt"), std::vector<std::uint8_t>(2000, 1));
    HeadlessHost third;
    third.OpenAnswers = {{zeros.File("SMALL.ORV")}, {zeros.File("big.txt")}, {zeros.File("NONE.ORV")}};
    ReadDATAfileForCodeErrors(third, page);
    ReadDATAfileForCodeErrors(third, page);
    EXPECT_TRUE(third.Messages.empty());
    ReadDATAfileForCodeErrors(third, page);
    EXPECT_TRUE(third.Showed("File " + zeros.File("NONE.ORV") + "not opened successfully"));
    EXPECT_TRUE(third.Results().Lines().empty());
}

} // namespace
} // namespace kelp::testing
