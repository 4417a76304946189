#include <gtest/gtest.h>

#include "core/file_slot.h"
#include "core/header.h"

namespace kelp {
namespace {

TEST(FileKindFromName, ExtensionAloneInAnyCase) {
    EXPECT_EQ(FileKindFromName("/data/site1/pod.KL1"), FileKind::KL1);
    EXPECT_EQ(FileKindFromName("pod.kl2"), FileKind::KL2);
    EXPECT_EQ(FileKindFromName("pod.Kl3"), FileKind::KL3);
    EXPECT_EQ(FileKindFromName("pod.KL3.bak"), FileKind::None);
    EXPECT_EQ(FileKindFromName("pod.KL4"), FileKind::None);
    EXPECT_EQ(FileKindFromName("folder.KL1/pod"), FileKind::None);
    EXPECT_EQ(FileKindFromName("KL1"), FileKind::None);
    EXPECT_EQ(WithExtension("/a/b.c/pod.KL1", ".k1m"), "/a/b.c/pod.k1m");
    EXPECT_EQ(WithExtension("/a/b.c/pod", ".KL3"), "/a/b.c/pod.KL3");
    EXPECT_EQ(ShortNameOf("/a/b/pod.KL1"), "pod.KL1");
}

TEST(RecordLength, OnlyTenToFiftyIsTakenFromTheHeader) {
    EXPECT_EQ(RecordLengthFromByte(10), 10);
    EXPECT_EQ(RecordLengthFromByte(20), 20);
    EXPECT_EQ(RecordLengthFromByte(50), 50);
    EXPECT_EQ(RecordLengthFromByte(0), 15);
    EXPECT_EQ(RecordLengthFromByte(9), 15);
    EXPECT_EQ(RecordLengthFromByte(51), 15);
    EXPECT_EQ(RecordLengthFromByte(60), 15);
}

TEST(TextFields, ZerosAnd255sAndDoubleBlanksAreSkipped) {
    const std::uint8_t raw[] = {'N', 'o', 'r', 't', 'h', ' ', ' ', ' ', 'B', 'a', 'y', 0, 255, 'x'};
    EXPECT_EQ(ReadTextField(raw, sizeof raw), "North Bayx");
    const std::uint8_t trailing[] = {'a', ' ', ' '};
    EXPECT_EQ(ReadTextField(trailing, 3), "a ");
}

TEST(DataFileHeader, FieldsSitAtTheirOffsets) {
    DataFileHeader h;
    h.SetFirstMinute(0x01020304);
    EXPECT_EQ(h.Bytes[256], 1);
    EXPECT_EQ(h.Bytes[259], 4);
    h.SetLastMinute(-5);
    EXPECT_EQ(h.LastMinute(), -5);
    EXPECT_EQ(h.Bytes[263], 0xFB);
    h.SetEndpointStart(77);
    h.SetEndpointEnd(88);
    EXPECT_EQ(h.Bytes[275], 77);
    EXPECT_EQ(h.Bytes[279], 88);
    h.SetClickCount(0xA0B0C0D0u);
    EXPECT_EQ(h.Bytes[128], 0xA0);
    EXPECT_EQ(h.ClickCount(), 0xA0B0C0D0u);
    h.SetLoggingMinutes(0x123456);
    EXPECT_EQ(h.Bytes[135], 0x12);
    EXPECT_EQ(h.Bytes[137], 0x56);
    h.SetDeploymentDepth(513);
    EXPECT_EQ(h.Bytes[29], 2);
    EXPECT_EQ(h.Bytes[30], 1);
    h.SetWaterDepth(40);
    EXPECT_EQ(h.Bytes[32], 40);
    h.SetLocation("A location name longer than thirty-one characters");
    EXPECT_EQ(h.Location(), "A location name longer than thi");
    EXPECT_EQ(h.Bytes[64], 0); // the location never spills into the settings
    h.SetNotes(std::string(60, 'n'));
    EXPECT_EQ(h.Bytes[255], 0);
    EXPECT_EQ(h.Notes(), std::string(44, 'n'));
    h.SetLoggerNumber(42);
    EXPECT_EQ(h.LoggerNumberRaw(), "0042");
    h.SetLoggerNumberText("0a12");
    EXPECT_EQ(h.LoggerNumberDigits(), "012");
    h.SetRecordFormat(7);
    EXPECT_EQ(h.RecordFormat(), 0);
    h.SetRecordFormat(2);
    EXPECT_EQ(h.RecordFormat(), 2);
    h.SetEnvelopeReady(true);
    h.SetLandmarksMarked(true);
    EXPECT_EQ(h.Bytes[2], 1);
    EXPECT_EQ(h.Bytes[4], 1);
    h.SetLandmarksMarked(false);
    EXPECT_FALSE(h.LandmarksMarked());
}

TEST(SettingsLayout, ByLoggerNumberForOpenFiles) {
    EXPECT_EQ(SlotSettingsLayout(104), 1);
    EXPECT_EQ(SlotSettingsLayout(103), 0);
    EXPECT_EQ(SlotSettingsLayout(105), 0);
    EXPECT_EQ(SlotSettingsLayout(124), 0);
    EXPECT_EQ(SlotSettingsLayout(2), 0);
    EXPECT_EQ(SlotSettingsLayout(1), 1);
    EXPECT_EQ(SlotSettingsLayout(125), 1);
    EXPECT_EQ(EnvelopeCodingKindFor(400), 0);
    EXPECT_EQ(EnvelopeCodingKindFor(401), 1);
    EXPECT_EQ(EnvelopeCodingKindFor(488), 1);
    EXPECT_EQ(EnvelopeCodingKindFor(489), 2);
}

} // namespace
} // namespace kelp
