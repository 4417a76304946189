#pragma once
// A simulated deployment downloaded into one KL1 file, as the benches that need a large file
// make it.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/headless_host.h"
#include "core/program.h"
#include "download/read_sd_data.h"
#include "download/read_sd_page.h"
#include "simulator/logger_simulator.h"

namespace kelp::bench {

struct SimulatedKL1 {
    SimulationResult Card;
    DownloadResult Download;
};

// Simulates the card `o` describes and downloads it into the KL1 file `kl1` (location "bench"),
// the logger started at `started` and the computer's clock at `now`. Stops the bench with the
// reason when the card cannot be made or the download does not give exactly one file.
inline SimulatedKL1 DownloadSimulatedCard(const SimulationOptions& o, MinuteNumber started, MinuteNumber now,
                                          const std::string& kl1) {
    SimulatedKL1 made;
    made.Card = SimulateCard(o);
    if (!made.Card.Ok) {
        std::fprintf(stderr, "%s\n", made.Card.Error.c_str());
        std::abort();
    }
    Program program;
    HeadlessHost host;
    ReadSDPage page;
    PasteNowIntoStartTime(page, started);
    PasteNowIntoNameDate(page, started);
    page.FileNameLocation = page.Location = "bench";
    TextBoxesChanged(page);
    page.OpenFileWhenFinished = false;
    DownloadEnvironment env;
    env.Now = [now] { return now; };
    for (const std::string& file : made.Card.Files) host.OpenAnswers.push_back({file});
    host.SaveAnswers.push_back(kl1);
    made.Download = ReadSDdata(program, host, page, env);
    if (made.Download.OutputFiles.size() != 1) {
        std::fprintf(stderr, "the download wrote %zu files\n", made.Download.OutputFiles.size());
        std::abort();
    }
    return made;
}

} // namespace kelp::bench
