#pragma once
// Hand-made cards for the download tests: a header block and a record stream written in a
// few lines, and a runner that answers the download's dialogs.
#include <cmath>
#include <string>
#include <vector>

#include "core/bytes.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "download/card_writer.h"
#include "download/read_sd_data.h"
#include "download/sd_card.h"
#include "tests/support/builders.h"

namespace kelp::testing {

class TestCard {
public:
    TestCard() {
        Header.SetLoggerNumber(1036);
        Header.SetYearMade(2019);
        Header.SetOverallMinutes(10);
        Header.SetLoggingMinutesLessOne(9);
        Header.SetBlocksLogged(4096);
    }

    TestCard& Marker(std::uint32_t number, std::uint8_t temperature = 60, std::uint8_t angle = 30) {
        std::uint8_t m[SDMarkerSize];
        EncodeSDMarker(m, {number, temperature, angle});
        Stream.insert(Stream.end(), m, m + SDMarkerSize);
        return *this;
    }
    // A click of `cycles` cycles whose period sum gives about `kHz`.
    TestCard& Click(std::uint32_t time, int amplitude = 50, int kHz = 130, int cycles = 15) {
        SDClickRecord c;
        c.Time = time;
        c.CyclesLessOne = static_cast<std::uint8_t>(cycles - 1);
        c.Bandwidth = 3;
        const int summed = std::min(8, cycles - 2);
        c.Zsum = static_cast<std::uint16_t>(summed > 0 ? std::lround(summed * (5000.0 / kHz - 24)) : 0);
        c.EndPeriodCode = static_cast<std::uint8_t>(std::lround(5000.0 / kHz - 24));
        c.Amplitude = static_cast<std::uint8_t>(amplitude);
        c.E1 = 20;
        c.E2 = 25;
        return Record(c);
    }
    TestCard& Record(const SDClickRecord& c) {
        std::uint8_t r[SDClickSize];
        EncodeSDClick(r, c);
        Stream.insert(Stream.end(), r, r + SDClickSize);
        return *this;
    }
    TestCard& Raw(const std::vector<std::uint8_t>& bytes) {
        Stream.insert(Stream.end(), bytes.begin(), bytes.end());
        return *this;
    }
    TestCard& Blanks(int count, std::uint8_t value = 255) {
        Stream.insert(Stream.end(), static_cast<std::size_t>(count) * SDClickSize, value);
        return *this;
    }
    // Writes DATA0.ORV (and DATA1.ORV, ... when split) into `folder`.
    std::vector<std::string> Write(const std::string& folder, std::int64_t splitBytes = 0) const {
        CardWriter writer(folder, splitBytes);
        if (!writer.Open() || !writer.Write(Stream.data(), Stream.size()) || !writer.Finish(Header))
            throw std::runtime_error("cannot write test card: " + writer.Error());
        return writer.Files();
    }

    SDHeaderBlock Header;
    std::vector<std::uint8_t> Stream;
};

// One download with preset answers: the card's DATA0.ORV and the KL1 file's name.
struct DownloadRun {
    Program program;
    HeadlessHost host;
    ReadSDPage page;
    DownloadEnvironment env;
    DownloadResult result;
    MinuteNumber now = MakeMinute(2024, 6, 1, 12, 0);

    DownloadRun() {
        page.StartYear = "2024";
        page.StartMonth = "5";
        page.StartDay = "1";
        page.StartHour = "10";
        page.StartMinute = "0";
        page.OpenFileWhenFinished = false;
        env.Now = [this] { return now; };
    }
    DownloadResult& Run(const std::string& data0, const std::string& out) {
        host.OpenAnswers.push_back({data0});
        host.SaveAnswers.push_back(out);
        result = ReadSDdata(program, host, page, env);
        return result;
    }
    bool Uploaded(const std::string& line) const {
        return std::find(page.UploadList.begin(), page.UploadList.end(), line) != page.UploadList.end();
    }
};

inline const MinuteNumber TestStart = MakeMinute(2024, 5, 1, 10, 0);

} // namespace kelp::testing
