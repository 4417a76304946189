// A fuzzed card folder: the input is a selector byte, then DATA0.ORV, SETUP.ORV, DATA1.ORV and
// DATA2.ORV cut at the separator. The card's summary, a block dump and the code check run
// first, then the download into KL1 files (in small chunks and small files when the selector
// says so), each KL1 file written is opened and read, and the settings are read from SETUP.ORV.
#include <cstdint>
#include <string>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "download/card_diagnostics.h"
#include "download/read_sd_data.h"
#include "settings/settings_layout.h"
#include "settings/settings_reader.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 1) return 0;
    const std::uint8_t selector = data[0];
    const auto parts = fuzz::SplitParts(data + 1, size - 1, 4);
    fuzz::Scratch().Clear();
    static const char* const names[4] = {"DATA0.ORV", "SETUP.ORV", "DATA1.ORV", "DATA2.ORV"};
    for (std::size_t i = 0; i < parts.size(); ++i) fuzz::WriteScratchFile(names[i], parts[i]);
    const std::string data0 = fuzz::Scratch().File("DATA0.ORV");

    HeadlessHost host;
    ReadSDPage page;
    page.BlockNumberText = std::to_string(selector % 5);
    host.OpenAnswers.push_back({data0});
    ShowSummaryBtnClick(host, page);
    host.OpenAnswers.push_back({data0});
    ShowBlockBtnClick(host, page);
    host.OpenAnswers.push_back({data0});
    ReadDATAfileForCodeErrors(host, page);

    Program program;
    const MinuteNumber start = MakeMinute(2024, 3, 1, 12, 0);
    PasteNowIntoStartTime(page, start);
    PasteNowIntoNameDate(page, start);
    page.FileNameLocation = page.Location = "Fuzz";
    TextBoxesChanged(page);
    DepthsChanged(page);
    BlanksChanged(page);
    page.OpenFileWhenFinished = false;
    host.DefaultYesNo = (selector & 8) != 0;
    host.OpenAnswers.push_back({data0});
    host.SaveAnswers.push_back(fuzz::Scratch().File("Fuzz KELP.KL1"));
    DownloadEnvironment env;
    env.Now = [] { return MakeMinute(2025, 1, 1, 0, 0); };
    if (selector & 16) env.Limits.ChunkBytes = 512 + 10;
    if (selector & 32) env.Limits.SplitBytes = 4000;
    const DownloadResult result = ReadSDdata(program, host, page, env);
    for (const std::string& file : result.OutputFiles) {
        if (!OpenDataFile(program, host, file, 1)) continue;
        fuzz::ReadOpenSlots(program, host);
        CloseDataFile(program, host, 1);
    }
    ReadSettingsFromFile(program, host, fuzz::Scratch().File("SETUP.ORV"));
    CardSizeBlocks(fuzz::Scratch().Path());
    return 0;
}
