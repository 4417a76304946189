// The file utilities and the analysis over fuzzed files: up to three files cut at the
// separator (the selector's bits pick each one's kind) open into slots 1 to 3; the file
// set is verified and analysed, a period chosen by the second byte is copied out, the
// files are appended to the first and moved to another start; every file made is read.
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/file_analysis.h"
#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "files/file_utilities.h"
#include "tests/fuzz/fuzz_support.h"

namespace {

void ReadEach(const std::vector<std::string>& files) {
    for (const std::string& name : files) {
        kelp::Program program;
        kelp::HeadlessHost host;
        if (!kelp::OpenDataFile(program, host, name, 1)) continue;
        kelp::fuzz::ReadOpenSlots(program, host);
        kelp::CloseAllFiles(program, host);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 2) return 0;
    const std::uint8_t selector = data[0];
    const std::uint8_t choice = data[1];
    const auto parts = fuzz::SplitParts(data + 2, size - 2, 3);
    static const char* const extensions[3] = {".KL1", ".KL2", ".KL3"};
    fuzz::Scratch().Clear();

    std::vector<std::string> files;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int kind = ((selector >> (2 * i)) & 3) % 3;
        files.push_back(fuzz::WriteScratchFile("f" + std::to_string(i + 1) + extensions[kind], parts[i]));
    }
    auto openAll = [&](Program& program, HeadlessHost& host) {
        for (std::size_t i = 0; i < files.size(); ++i)
            OpenDataFile(program, host, files[i], static_cast<int>(i) + 1);
        return program.OpenCount() > 0;
    };

    Program program;
    HeadlessHost host;
    if (!openAll(program, host)) return 0;
    VerifyOpenFiles(program, host);
    AnalyzeButtonClick(program, host);

    // A period of the shared range, from its start or a little later.
    program.Options.TimeSelectionSet = true;
    const std::int64_t from = static_cast<std::int64_t>(program.SharedStart) + (choice & 7);
    const std::int64_t to = from + 1 + ((choice >> 3) & 15);
    if (to <= INT32_MAX) {
        program.SharedStart = static_cast<MinuteNumber>(from);
        program.SharedEnd = static_cast<MinuteNumber>(to);
        host.YesNoAnswers = {true, true, true};
        ReadEach(CopySelectedPeriod(program, host, false).Files);
    }
    CloseAllFiles(program, host);

    // The other files appended to the first, alone in slot 1; then its start moved.
    if (files.size() > 1 && OpenDataFile(program, host, files[0], 1)) {
        host.OpenAnswers = {std::vector<std::string>(files.begin() + 1, files.end())};
        host.YesNoAnswers = {true, true, true};
        AppendFiles(program, host);
        if (program.Slot(1).IsOpen) {
            const std::int64_t start = static_cast<std::int64_t>(program.Slot(1).FirstMinute) + choice - 128;
            if (start > 0 && start <= INT32_MAX)
                ChangeStartTime(program, host, static_cast<MinuteNumber>(start));
        }
        CloseAllFiles(program, host);
        ReadEach({files[0]});
    }
    return 0;
}
