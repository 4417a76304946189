// The exports over fuzzed files: up to three files cut at the separator open into slots 1
// to 3 (the selector's bits pick each one's kind); the detection export of the data item
// and period the second byte picks goes to the Results page, then the tidy table, the train
// details (brief and full) of the KL3 files and the click details of slot 1 go to files.
#include <cstdint>
#include <string>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/click_details.h"
#include "export/detection_export.h"
#include "export/export_page.h"
#include "export/tidy_table.h"
#include "export/train_details.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 2) return 0;
    const std::uint8_t selector = data[0];
    const std::uint8_t choice = data[1];
    const auto parts = fuzz::SplitParts(data + 2, size - 2, 3);
    static const char* const extensions[3] = {".KL1", ".KL2", ".KL3"};
    fuzz::Scratch().Clear();

    Program program;
    HeadlessHost host;
    program.Options.UseEndpoints = (selector & 64) != 0;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int kind = ((selector >> (2 * i)) & 3) % 3;
        const std::string name = "file" + std::to_string(i + 1) + extensions[kind];
        files.push_back(fuzz::WriteScratchFile(name, parts[i]));
        OpenDataFile(program, host, files.back(), static_cast<int>(i) + 1);
    }
    if (program.OpenCount() == 0) return 0;

    ExportPage& page = ExportPageOf(program);
    ChooseDataItem(page, static_cast<ExportItem>(choice % ExportItemCount));
    ChoosePeriod(page, host, static_cast<ExportPeriod>((choice / ExportItemCount) % ExportPeriodCount));
    page.DateFormat = static_cast<ExportDateFormat>((choice / 48) % 4);
    page.OmitNegative = (selector & 128) != 0;
    page.FileBoxes = {false, true, true, true};
    page.To = ExportTo::Results;
    ExportGenBtnClick(program, host);
    if (TidyTableSupports(page.DataItem)) ExportTidyTable(program, host, fuzz::Scratch().File("tidy.tsv"));
    if (program.Slot(1).IsOpen) WriteClickDetails(program, host, fuzz::Scratch().File("clicks.txt"));

    CloseAllFiles(program, host);
    for (const bool full : {false, true})
        ExportTrainDetails(program, host, files, fuzz::Scratch().File("details.txt"), full);
    return 0;
}
