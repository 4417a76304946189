// Opens any bytes as a data file and reads it through the slot reader. The first byte picks
// the kind and the options, the second (when not 0) the record length the header gives;
// the rest is the file.
#include <cstdint>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 2) return 0;
    const std::uint8_t selector = data[0];
    const std::uint8_t length = data[1];
    std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
    if (length != 0 && bytes.size() > 1) bytes[1] = static_cast<char>(10 + length % 41);
    static const char* const extensions[3] = {".KL1", ".KL2", ".KL3"};
    fuzz::Scratch().Clear();
    const std::string path = fuzz::WriteScratchFile(std::string("input") + extensions[selector % 3], bytes);

    Program program;
    program.Options.DevelopmentMode = (selector & 4) != 0;
    program.Options.ShowTimeErrorAsClk = (selector & 8) != 0;
    program.Options.ClickPeaks = (selector & 16) != 0;
    program.Clicks.Ignore = (selector & 32) != 0;
    program.Clicks.ClusterBand1 = (selector & 64) != 0;
    program.Options.ShowSplAsPa = (selector & 128) != 0;
    program.Display.TimeScale = 11;
    HeadlessHost host;
    if (OpenDataFile(program, host, path, 1)) {
        fuzz::ReadOpenSlots(program, host);
        CloseDataFile(program, host, 1);
    }
    return 0;
}
