#pragma once
// Turning the logger's 10-byte click record into the 10-byte KL1 click record: cycles,
// bandwidth, the mean frequency from the period sum, the end frequency, the amplitude
// and the envelope byte in the coding kind of the logger.
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "core/bytes.h"
#include "core/records.h"

namespace kelp {

// The mean frequency in kHz of a click of `n` cycles with the stored period sum, before the
// end frequency stands in for 220: f = min(220, |(n - 2) x 5000 div Z|) below 10 cycles,
// min(220, 40,000 div Z) from 10 cycles, 220 when Z < 1, with
// Z = min(8, n - 2) x 24 + (c4 SHR 5) x 256 + c5.
int MeanFrequency(int n, int c4, int c5);
// The end frequency of an end period code: 5000 div (code + 24), 10 when not measured (0).
int EndFrequency(int endPeriodCode);
// The envelope byte of envelope values E1, E2 and amplitude a in coding kind 0, 1 or 2.
std::uint8_t EnvelopeByte(int kind, int e1, int e2, int a);

// Converts click records of one logger: keeps the lookup tables of its coding kind.
class ClickConverter {
public:
    explicit ClickConverter(int envelopeKind);
    int EnvelopeKind() const { return kind_; }

    // Writes the KL1 click record for card record `c`. `nextAmplitude` is the byte ten places
    // after the amplitude in the input (the next record's amplitude), or -1 when the input
    // ends before it. Returns the click's time (c0..c2).
    std::int32_t Convert(const std::uint8_t* c, int nextAmplitude, std::uint8_t* out);

private:
    int kind_;
    // The mean frequency by cycles (rows 1..9; row 10 serves 10 cycles and more) and period sum.
    std::vector<std::uint8_t> meankHz_;
    std::array<std::uint8_t, 256> periodkHz_{};
    std::vector<std::uint8_t> slope_; // by E1 x 256 + E2
    std::vector<std::uint8_t> ratio_; // by a x 256 + (E2 for kinds 0 and 2, E1 for kind 1)
    ClickRecord click_;
};

inline std::int32_t ClickConverter::Convert(const std::uint8_t* c, int nextAmplitude, std::uint8_t* out) {
    const int n = std::min(c[3] + 1, 255);
    const int f =
        meankHz_[static_cast<std::size_t>((std::min(n, 10) - 1) * 2048 + ((c[4] >> 5) << 8) + c[5])];
    const int periodkHz = periodkHz_[c[6]];
    const int a = std::max(1, int{c[7]});
    int amplitude = a;
    // A clipped click keeps 255 only when the next one is clipped too.
    if (a == 255 && nextAmplitude >= 0 && nextAmplitude != 255) amplitude = 254;
    const int e1 = c[8];
    const int e2 = c[9];
    const int ratioIndex = a * 256 + (kind_ == 1 ? e1 : e2);

    click_.Time = static_cast<std::int32_t>(ReadBE24(c));
    click_.Ncyc = n;
    click_.BW = c[4] & 31;
    click_.kHz = f == 220 ? periodkHz : f;
    click_.EndkHz = c[6] > 0 ? periodkHz : 10;
    click_.SPL = amplitude;
    click_.Envelope = static_cast<std::uint8_t>(slope_[static_cast<std::size_t>(e1 * 256 + e2)] |
                                                ratio_[static_cast<std::size_t>(ratioIndex)]);
    EncodeKL1Click(out, click_, f == 200 ? 1 : 0);
    return click_.Time;
}

} // namespace kelp
