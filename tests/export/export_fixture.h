#pragma once
// What the export tests share: a program with its host, KL3 files made minute by minute,
// and the lines an export leaves on the Results page.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/detection_export.h"
#include "tests/support/builders.h"

namespace kelp::testing {

// A train click of quality "Hi" and species porpoise-like unless given.
inline ClickRecord GradedClick(std::int32_t time, int quality = QualityHi, int species = SpeciesPorpoise) {
    ClickRecord c = MakeClick(time);
    c.Quality = static_cast<std::uint8_t>(quality);
    c.Species = static_cast<std::uint8_t>(species);
    return c;
}

struct TrainClickAt {
    std::int32_t Time;
    int Train;
    int Quality = QualityHi;
};

class ExportTest : public ::testing::Test {
protected:
    // A file of `minutes` minutes from `first`: clicksIn(m) gives the clicks of minute m;
    // marker(m) may give its 20 marker bytes (default: temperature 100, angle 60, ON).
    std::string MakeFile(const std::string& name, FileKind kind, MinuteNumber first, int minutes,
                         const std::function<std::vector<TrainClickAt>(int)>& clicksIn,
                         const std::function<std::vector<std::uint8_t>(int)>& marker = {},
                         int minutesPerMarker = 1) {
        DataFileBuilder b(kind, first);
        b.MinutesPerMarker(minutesPerMarker);
        for (int m = 0; m < minutes; ++m) {
            if (marker)
                b.Minute(marker(m));
            else
                b.Minute(100, 60);
            for (const TrainClickAt& c : clicksIn(m))
                b.Click(GradedClick(c.Time, c.Quality),
                        static_cast<std::uint8_t>(kind == FileKind::KL3 ? c.Train : 0));
        }
        return b.Write(dir.File(name));
    }

    ExportPage& Page() { return ExportPageOf(program); }

    // Runs "Export data from:" to the Results page; returns its lines.
    std::vector<std::string> ExportToResults() {
        host.Results().Clear();
        Page().To = ExportTo::Results;
        ExportGenBtnClick(program, host);
        return host.Results().Lines();
    }
    // The same with the header lines left out: the column header, then the data lines.
    std::vector<std::string> ExportLines() {
        Page().OmitHeader = true;
        return ExportToResults();
    }

    TempDir dir;
    Program program;
    HeadlessHost host;
};

// Splits a line at its tabs.
inline std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const auto tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) return fields;
        start = tab + 1;
    }
}

inline std::string FileText(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace kelp::testing
