// The exports over fuzzed files: up to three files cut at the separator open into slots 1
// to 3 (the selector's bits pick each one's kind); the detection export of the data item
// and period the second byte picks goes to the Results page, then the tidy table, the train
// details (brief and full) of the KL3 files and the click details of slot 1 go to files, and
// slot 1's minute summaries and alerting-device minutes to the Results page. The files then
// go through the batch lists, the noise summaries and the batch parts: a part of each file,
// merged into one report, and the files themselves merged as if they were parts.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/batch_lists.h"
#include "export/batch_parts.h"
#include "export/click_details.h"
#include "export/detection_export.h"
#include "export/export_page.h"
#include "export/minute_listings.h"
#include "export/noise_summary.h"
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
    if (program.Slot(1).IsOpen) {
        const FileSlot& s = program.Slot(1);
        WriteClickDetails(program, host, fuzz::Scratch().File("clicks.txt"));
        ListMinuteSummaries(program, host, 1, {s.FirstMinute, 0}, {s.LastMinute, 0});
        host.DefaultYesNo = true;
        ExportTADICIsbtnClick(program, host);
    }

    // Tabulate days writes a line for every day from the earliest file's start to the latest
    // file's end, as it should; files dated thousands of years apart (each plausible on its
    // own) would spend the fuzzer's time writing a million lines.
    std::int64_t earliest = std::numeric_limits<std::int64_t>::max();
    std::int64_t latest = std::numeric_limits<std::int64_t>::min();
    for (int i = 1; i <= 3; ++i) {
        const FileSlot& s = program.Slot(i);
        if (!s.IsOpen) continue;
        earliest = std::min<std::int64_t>(earliest, s.FirstMinute);
        latest = std::max<std::int64_t>(latest, s.LastMinute);
    }
    const bool tabulateDays = latest - earliest < 100 * 366 * MinutesPerDay;

    CloseAllFiles(program, host);
    for (const bool full : {false, true})
        ExportTrainDetails(program, host, files, fuzz::Scratch().File("details.txt"), full);
    ListFiles(program, host, files);
    ListSettings(program, host, files);
    if (tabulateDays) TabulateDays(program, host, files);
    ListNoise(program, host, files);

    std::vector<std::string> batchParts;
    for (std::size_t i = 0; i < files.size(); ++i) {
        batchParts.push_back(fuzz::Scratch().File("part" + std::to_string(i + 1) + ".txt"));
        bool exported = false;
        WriteBatchPart(program, host, files[i], static_cast<int>(i) + 1, static_cast<int>(files.size()),
                       batchParts.back(), exported);
    }
    MergeBatchParts(host, batchParts, fuzz::Scratch().File("merged.txt"));
    MergeBatchParts(host, files, fuzz::Scratch().File("merged.txt"));
    return 0;
}
