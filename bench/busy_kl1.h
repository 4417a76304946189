#pragma once
// A busy KL1 deployment made in one go, as the download leaves it: a marker and the same
// number of clicks in every minute, the header's minutes and click count, the end records.
#include <cstdint>
#include <random>
#include <vector>

#include "core/header.h"
#include "core/records.h"
#include "core/time.h"
#include "tests/support/builders.h"

namespace kelp::bench {

// `days` days from 1 July 2024 with `clicksPerMinute` clicks in every minute; each click is
// `click(time, random)`, its time 1 to `maxGap` ticks after the click before.
template <class MakeClickFn>
std::vector<std::uint8_t> BusyKL1Bytes(int days, int clicksPerMinute, std::uint32_t seed,
                                       std::uint32_t maxGap, MakeClickFn click) {
    testing::DataFileBuilder builder(FileKind::KL1, MakeMinute(2024, 7, 1, 0, 0));
    builder.Minute();
    std::vector<std::uint8_t> bytes = builder.Bytes();
    bytes.resize(HeaderLength);
    const int minutes = days * MinutesPerDay;
    bytes.reserve(static_cast<std::size_t>(HeaderLength) +
                  static_cast<std::size_t>(minutes) * (clicksPerMinute + 1) * 10 + 20);
    std::mt19937 random(seed);
    std::uint8_t r[10];
    for (int m = 0; m < minutes; ++m) {
        EncodeKL1Marker(r, 90, 40);
        bytes.insert(bytes.end(), r, r + 10);
        std::int32_t t = 0;
        for (int i = 0; i < clicksPerMinute; ++i) {
            t += 1 + static_cast<std::int32_t>(random() % maxGap);
            EncodeKL1Click(r, click(t, random));
            bytes.insert(bytes.end(), r, r + 10);
        }
    }
    DataFileHeader header;
    std::copy(bytes.begin(), bytes.begin() + HeaderLength, header.Bytes.begin());
    header.SetLastMinute(header.FirstMinute() + minutes - 1);
    header.SetEndpointEnd(header.FirstMinute() + minutes - 1);
    header.SetClickCount(static_cast<std::uint32_t>(minutes * clicksPerMinute));
    std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
    bytes.insert(bytes.end(), 20, 255);
    return bytes;
}

} // namespace kelp::bench
