#pragma once
// Data files written with the builders and opened into slots, for the analysis tests.
#include <gtest/gtest.h>

#include <string>

#include "analysis/analysis_page.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/support/builders.h"

namespace kelp::testing {

inline constexpr int InRange = 60;     // an angle code within the switch angle range
inline constexpr int OutOfRange = 200; // outside it

// A click of a KL3 train that the start-up train filters let through.
inline ClickRecord GradedClick(std::int32_t time, int quality = QualityHi, int species = SpeciesPorpoise,
                               int kHz = 130) {
    ClickRecord c = MakeClick(time, kHz);
    c.Quality = static_cast<std::uint8_t>(quality);
    c.Species = static_cast<std::uint8_t>(species);
    return c;
}

class AnalysisTest : public ::testing::Test {
protected:
    Program program;
    HeadlessHost host;
    TempDir dir;
    MinuteNumber first = MakeMinute(2024, 3, 1, 0, 0);

    void Open(const DataFileBuilder& builder, const std::string& name, int slot = 1) {
        ASSERT_TRUE(OpenDataFile(program, host, builder.Write(dir.File(name)), slot));
    }
    AnalysisPage& Page() { return AnalysisPageOf(program); }
};

} // namespace kelp::testing
