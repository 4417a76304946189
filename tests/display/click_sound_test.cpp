#include "view_fixture.h"

#include <cmath>
#include <numbers>

#include "core/file_io.h"
#include "display/click_sound.h"
#include "display/click_view.h"

namespace kelp::testing {
namespace {

TEST(ClickSound, ToneSamplesFollowFrequencyAndCycles) {
    ClickRecord c = MakeClick(1000, 130, 20, 100);
    const std::vector<std::uint8_t> samples = ClickToneSamples(c);
    ASSERT_EQ(samples.size(), 31u); // (100 div 2) div 2 + 6
    EXPECT_EQ(samples[0], 128);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double v = std::sin(2.0 * i * std::numbers::pi * 130 * 64 / 44'100) * 20 + 128;
        EXPECT_EQ(samples[i], static_cast<std::uint8_t>(RoundToInt(v))) << i;
    }
    // Loud tones are clamped to the 8-bit range.
    c.Ncyc = 255;
    for (std::uint8_t v : ClickToneSamples(c)) {
        EXPECT_LE(v, 255);
        EXPECT_GE(v, 0);
    }
    const auto loud = ClickToneSamples(c);
    EXPECT_EQ(*std::max_element(loud.begin(), loud.end()), 255);
    EXPECT_EQ(*std::min_element(loud.begin(), loud.end()), 0);
    c.SPL = 0;
    EXPECT_EQ(ClickToneSamples(c).size(), 6u);
}

TEST(ClickSound, WaveImageHeader) {
    const std::vector<std::uint8_t> samples = {1, 2, 3};
    const std::vector<std::uint8_t> w = WaveImage(samples);
    const std::vector<std::uint8_t> expected = {'R',  'I',  'F', 'F', 39,   0,    0, 0, 'W', 'A', 'V', 'E',
                                                'f',  'm',  't', ' ', 16,   0,    0, 0, 1,   0,   1,   0,
                                                0x44, 0xAC, 0,   0,   0x44, 0xAC, 0, 0, 1,   0,   8,   0,
                                                'd',  'a',  't', 'a', 3,    0,    0, 0, 1,   2,   3};
    EXPECT_EQ(w, expected);
}

TEST(ClickSound, PausesFollowTheGapBetweenClicks) {
    EXPECT_EQ(PauseBeforeClick(1'000, 600), 0);        // under 512 ticks
    EXPECT_EQ(PauseBeforeClick(1'112, 600), 1);        // 512 ticks
    EXPECT_EQ(PauseBeforeClick(200'000, 0), 390);      // one second
    EXPECT_EQ(PauseBeforeClick(5'000'000, 0), 1'000);  // never more than a second
    EXPECT_EQ(PauseBeforeClick(1'000, 11'999'000), 3); // the click lies in the next minute
}

class ClickSoundViewTest : public ViewTest {
protected:
    MinuteNumber first = MakeMinute(2024, 1, 1, 0, 0);
    void SetUp() override {
        ViewTest::SetUp();
        DataFileBuilder b(FileKind::KL1, first);
        b.Minute();
        b.Click(MakeClick(100'000, 130, 12, 100));
        b.Click(MakeClick(150'000, 130, 3, 100)); // 3 cycles: silent
        b.Click(MakeClick(300'000, 60, 8, 40));
        b.Minute();
        Open(b, "sound.KL1");
    }
};

TEST_F(ClickSoundViewTest, SoundModePlaysEachClickThroughTheHost) {
    state.Aids.SoundSlot = 1;
    DrawClicks(7, first, 0);
    ASSERT_EQ(host.Sounds.size(), 2u);
    EXPECT_EQ(host.Sounds[0], WaveImage(ClickToneSamples(MakeClick(100'000, 130, 12, 100))));
    EXPECT_EQ(host.Sounds[1].size(), 44u + (40 / 2) / 2 + 6);
    // Pauses of 195 ms before the first (from the start of the screen) and 390 ms before the second.
    EXPECT_EQ(host.MillisecondsWaited, 100'000 / 512 + 200'000 / 512);
}

TEST_F(ClickSoundViewTest, ARecordingCollectsPausesAndTones) {
    std::vector<std::uint8_t> recording;
    state.Aids.SoundSlot = 1;
    state.Aids.SoundRecording = &recording;
    DrawClicks(7, first, 0);
    EXPECT_TRUE(host.Sounds.empty());
    const std::size_t pause1 = 195 * 44'100 / 1'000;
    const std::size_t tone1 = 31;
    const std::size_t pause2 = 390 * 44'100 / 1'000;
    ASSERT_EQ(recording.size(), pause1 + tone1 + pause2 + 16);
    EXPECT_EQ(recording[pause1 - 1], SilentSample);
    EXPECT_EQ(recording[pause1 + 1], ClickToneSamples(MakeClick(1, 130, 12, 100))[1]);

    TempDir out;
    std::string error;
    ASSERT_TRUE(WriteWaveFile(out.File("screen.wav"), recording, &error)) << error;
    const std::vector<std::uint8_t> bytes = ReadFileBytes(out.File("screen.wav"));
    ASSERT_EQ(bytes.size(), 44 + recording.size());
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 44, bytes.end()), recording);
    EXPECT_FALSE(WriteWaveFile(out.File("missing/screen.wav"), recording, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(FileExists(out.File("missing/screen.wav")));
}

} // namespace
} // namespace kelp::testing
