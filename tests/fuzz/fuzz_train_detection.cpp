// Train detection over fuzzed input: the first byte picks the stage and the settings, the
// rest is a KL1 file (clusters, then trains over the KL2 file written) or a KL2 file (trains
// alone). Every file written is opened and read again.
#include <cstdint>
#include <string>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tda/cluster_file.h"
#include "tda/landmarks.h"
#include "tda/tda_settings.h"
#include "tda/train_file.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void ReadBack(kelp::Program& program, kelp::Host& host, const std::string& name) {
    if (name.empty() || !kelp::OpenDataFile(program, host, name, 1)) return;
    kelp::fuzz::ReadOpenSlots(program, host);
    kelp::CloseDataFile(program, host, 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const bool fromKL1 = (selector & 1) == 0;
    fuzz::Scratch().Clear();
    const std::string path = fuzz::WriteScratchFile(fromKL1 ? "input.KL1" : "input.KL2",
                                                    {reinterpret_cast<const char*>(data + 1), size - 1});

    Program program;
    program.Options.DevelopmentMode = (selector & 2) != 0;
    TdaSettings& settings = TdaSettingsOf(program);
    settings.TrainFilterVersion = (selector & 4) ? 2 : 1;
    if (selector & 8) {
        settings.TdaSPLmin.Set("20");
        settings.TdaNcycMin.Set("4");
        settings.TDAkHz.Set("150");
    }
    if (selector & 16) settings.TDAMinLim.Set("50");
    settings.NoSpeciesSplit = (selector & 32) != 0;
    HeadlessHost host;
    if (!OpenDataFile(program, host, path, 1)) return 0;
    std::string kl2 = path;
    if (fromKL1) {
        program.Options.BatchRunning = true; // the KL2 file is not opened by the cluster finder
        kl2 = MakeClusterFile(program, host);
        program.Options.BatchRunning = false;
        if (program.Slot(1).IsOpen) CloseDataFile(program, host, 1);
        ReadBack(program, host, kl2);
        if (kl2.empty() || !OpenDataFile(program, host, kl2, 1)) return 0;
    }
    RunTrainDetection(program, host);
    if (program.Slot(1).IsOpen) CloseDataFile(program, host, 1);
    const std::string kl3 = KL3NameFor(kl2);
    ReadBack(program, host, kl3);
    if ((selector & 64) && OpenDataFile(program, host, kl3, 1)) {
        MarkLandmarkSequences(program, host);
        CloseAllFiles(program, host);
    }
    return 0;
}
