// Opens and reads any bytes as a data file: the first input byte picks the kind and the
// options, the rest is the file.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "core/file_io.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/slots.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 1) return 0;
    static const std::string folder = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelp-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    const std::uint8_t selector = data[0];
    static const char* const extensions[3] = {".KL1", ".KL2", ".KL3"};
    const std::string path = folder + "/input" + extensions[selector % 3];
    {
        BinaryFile f;
        if (!f.Open(path, BinaryFile::Mode::Create) || !f.WriteAt(0, data + 1, size - 1)) return 0;
    }
    ::unlink((folder + "/input.k1m").c_str());
    Program program;
    program.Options.DevelopmentMode = (selector & 4) != 0;
    program.Options.ShowTimeErrorAsClk = (selector & 8) != 0;
    program.Options.ClickPeaks = (selector & 16) != 0;
    program.Clicks.Ignore = (selector & 32) != 0;
    program.Clicks.ClusterBand1 = (selector & 64) != 0;
    program.Display.TimeScale = 11;
    HeadlessHost host;
    if (OpenDataFile(program, host, path, 1)) {
        FileSlot& s = program.Slot(1);
        const MinuteNumber later = s.FirstMinute > INT32_MAX - 3 ? s.FirstMinute : s.FirstMinute + 3;
        for (MinuteNumber m : {s.FirstMinute, later, s.LastMinute}) {
            PositionAt(program, host, m, 0);
            std::int64_t calls = 0;
            while (s.MoreData) {
                NextRecord(program, host, 1);
                if (++calls > s.FileSize) std::abort(); // reading must end
            }
        }
        CloseDataFile(program, host, 1);
    }
    return 0;
}
