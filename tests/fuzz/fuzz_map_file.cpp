// A data file with a map file beside it: the input is a selector byte, the data file, the
// separator and the map file. Opening takes the map file or scans and repairs the data file;
// BuildMap is then run again, with and without a refresh, and the file read from the map.
#include <cstdint>

#include "core/headless_host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/slots.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const auto parts = fuzz::SplitParts(data + 1, size - 1, 2);
    static const char* const kinds[3][2] = {{".KL1", ".k1m"}, {".KL2", ".k2m"}, {".KL3", ".k3m"}};
    const auto& kind = kinds[selector % 3];
    fuzz::Scratch().Clear();
    const std::string path = fuzz::WriteScratchFile(std::string("input") + kind[0], parts[0]);
    if (parts.size() > 1) fuzz::WriteScratchFile(std::string("input") + kind[1], parts[1]);

    Program program;
    program.Options.DevelopmentMode = (selector & 4) != 0;
    program.Options.RefreshMapFiles = (selector & 8) != 0;
    program.Options.UseEndpoints = (selector & 16) != 0;
    HeadlessHost host;
    if (!OpenDataFile(program, host, path, 1)) return 0;
    fuzz::ReadOpenSlots(program, host);
    BuildMap(program, host, 1, (selector & 32) != 0);
    fuzz::ReadOpenSlots(program, host);
    BuildMap(program, host, 1, true);
    fuzz::ReadOpenSlots(program, host);
    CloseDataFile(program, host, 1);
    return 0;
}
