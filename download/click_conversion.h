#pragma once
// Turning the logger's 10-byte click record into the 10-byte KL1 click record: cycles,
// bandwidth, the mean frequency from the period sum, the end frequency, the amplitude
// and the envelope byte in the coding kind of the logger.
#include <array>
#include <cstdint>
#include <vector>

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
    std::array<std::uint8_t, 256> periodkHz_{};
    std::vector<std::uint8_t> slope_;  // by E1 x 256 + E2
    std::vector<std::uint8_t> ratio_;  // by a x 256 + (E2 for kinds 0 and 2, E1 for kind 1)
    ClickRecord click_;
};

}  // namespace kelp
