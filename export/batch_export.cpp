#include "export/batch_export.h"

#include <optional>

#include "core/filters.h"
#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/batch_jobs.h"
#include "export/batch_page.h"
#include "export/detection_export.h"
#include "export/export_output.h"
#include "export/export_page.h"

namespace kelp {

namespace {

constexpr int FailedToCreateMs = 60'000;

// Gathers lines in memory (a file's part of a one-file batch).
class GatheredLines : public ExportLines {
public:
    explicit GatheredLines(std::vector<std::string>& lines) : lines_(lines) {}
    void Line(const std::string& text) override { lines_.push_back(text); }

private:
    std::vector<std::string>& lines_;
};

// The reader stopped on a failed read or on bytes that are no record: the file is broken.
bool ReadBroke(const FileSlot& s) {
    return s.ReadFailed || IsRecordClassError(s.NRType);
}

// The header lines unless omitted, the column header (its index in `columnAt`), then the table.
void WriteTable(Program& p, Host& h, int number, ExportLines& lines, std::size_t& columnAt) {
    const ExportPage& page = ExportPageOf(p);
    const FileSlot& s = p.Slot(1);
    std::size_t n = 0;
    if (!page.OmitHeader)
        for (const std::string& line : ExportHeaderLines(p, 1)) lines.Line(line), ++n;
    columnAt = n;
    lines.Line(ExportColumnHeader(page, s.Kind));
    ExportLineWriter writer(page, s.Kind == FileKind::KL3, number, lines);
    RunDetectionExport(p, h, 1, writer);
}

void SetButton(Program& p, Host& h, const std::string& caption) {
    BatchPageOf(p).ExportBatchButton = caption;
    h.StateChanged(changed::ExportPage);
}

void AddSourceLine(Program& p, Host& h, const std::string& text) {
    p.SourceBox.push_back(text);
    h.StateChanged(changed::SourceBox);
}

void SetFirstSourceLine(Program& p, Host& h, const std::string& text) {
    if (p.SourceBox.empty())
        p.SourceBox.push_back(text);
    else
        p.SourceBox.front() = text;
    h.StateChanged(changed::SourceBox);
}

} // namespace

std::string BatchFailureReport(const BatchRunResult& r, const char* what) {
    return std::to_string(r.Failed) + " of " + std::to_string(r.Count) + (r.Count == 1 ? " file" : " files") +
           " could not be " + what;
}

std::string BatchExportErrorLine(const std::string& file) {
    return "ERROR\t\t" + file;
}

void PrepareBatchExport(Program& p, Host& h) {
    ExportPage& page = ExportPageOf(p);
    if (page.To == ExportTo::Results) ChooseTo(page, ExportTo::Results);
    AdjustExportPage(page, h);
    h.StateChanged(changed::ExportPage);
    // Done once here, so that every file (on any worker) starts from the same settings.
    if (page.DataItem == ExportItem::Conditions && !p.Clicks.Ignore) SetIgnoreFilters(p, h, true);
}

void ExportBatchFile(Program& p, Host& h, const std::string& file, int number, BatchExportFile& out) {
    out = BatchExportFile{};
    if (!OpenDataFile(p, h, file, 1)) {
        h.Results().Append(BatchExportErrorLine(file));
        return;
    }
    out.Opened = true;
    if (!StartExport(p, h, 1)) {
        CloseDataFile(p, h, 1);
        return;
    }
    const ExportPage& page = ExportPageOf(p);
    bool broken = false;
    if (page.OneFile) {
        GatheredLines lines(out.Lines);
        WriteTable(p, h, number, lines, out.ColumnAt);
        broken = ReadBroke(p.Slot(1));
        out.Exported = !broken;
        if (broken) {
            out.Lines.clear();
            out.ColumnAt = static_cast<std::size_t>(-1);
        }
    } else {
        TextFileLines text(WithExtension(file, ".txt"));
        if (!text.Open()) {
            h.ShowTimedMessage(Message2s, text.ErrorText());
            AddSourceLine(p, h, FailedToCreateExportText);
            CloseDataFile(p, h, 1);
            return;
        }
        std::size_t columnAt = 0;
        WriteTable(p, h, number, text, columnAt);
        broken = ReadBroke(p.Slot(1));
        // A half table of a broken file would pass for the whole: nothing is kept.
        if (broken)
            text.Abandon();
        else
            out.Exported = text.Finish(h);
    }
    h.EndProgress(ExportCompletedText);
    if (broken) h.Results().Append(BatchExportErrorLine(file));
    CloseDataFile(p, h, 1);
}

BatchRunResult ExportBatch(Program& p, Host& h, const std::vector<std::string>& files, int jobs,
                           const std::string& reportName) {
    CloseAllFiles(p, h);
    BatchRunResult result;
    result.Count = static_cast<int>(files.size());
    if (files.empty()) return result;
    PrepareBatchExport(p, h);
    const ExportPage& page = ExportPageOf(p);
    const bool toResults = page.To == ExportTo::Results;
    const bool oneFile = page.OneFile;

    std::optional<TextFileLines> report;
    if (oneFile && !toResults) {
        std::string name = reportName;
        if (name.empty()) {
            FileDialogRequest request;
            request.Title = ExportDialogTitle;
            request.Filter = ExportDialogFilter;
            request.InitialName = BatchReportName;
            const auto chosen = h.SaveFileDialog(request);
            // Nothing to write into: the batch does not start.
            if (!chosen || chosen->empty()) {
                h.ShowTimedMessage(Message3s, BatchNoReportText);
                return result;
            }
            name = WithExtension(*chosen, ".txt");
        }
        if (RefuseDataOrMapTarget(h, name)) return result;
        report.emplace(name, "report file");
        if (!report->Open()) {
            h.ShowTimedMessage(Message2s, report->ErrorText());
            const std::string failed = "Failed to create report file " + name;
            h.ShowTimedMessage(FailedToCreateMs, failed);
            AddSourceLine(p, h, failed);
            return result;
        }
    }
    ResultsLines results(h);
    ExportLines* output = report ? static_cast<ExportLines*>(&*report) : &results;

    const bool wasBatch = p.Options.BatchRunning;
    p.Options.BatchRunning = true;
    const int count = result.Count;
    const auto caption = [&](int i) {
        SetButton(p, h, std::to_string(i + 1) + " of " + std::to_string(count));
        h.ShowBatchFile(i + 1, count);
    };
    std::vector<BatchExportFile> outs(files.size());
    std::vector<std::string> fileList;
    bool columnWritten = false;

    const bool parallel = jobs > 1 && count > 1;
    PerFileRun run;
    run.Count = count;
    run.Jobs = jobs;
    run.Work = [&](Program& wp, Host& wh, int i) {
        if (&wp == &p) caption(i);
        ExportBatchFile(wp, wh, files[static_cast<std::size_t>(i)], i + 1, outs[static_cast<std::size_t>(i)]);
    };
    run.Done = [&](int i) {
        BatchExportFile& f = outs[static_cast<std::size_t>(i)];
        if (!f.Exported) ++result.Failed;
        if (f.Opened) fileList.push_back(std::to_string(i + 1) + "\t" + files[static_cast<std::size_t>(i)]);
        if (oneFile) {
            for (std::size_t k = 0; k < f.Lines.size(); ++k)
                if (k != f.ColumnAt || !columnWritten) output->Line(f.Lines[k]);
            if (f.ColumnAt < f.Lines.size()) columnWritten = true;
        }
        f = BatchExportFile{};
        if (parallel && i + 1 < count) caption(i + 1);
        // A write error on the report ends the batch.
        return output->Ok();
    };
    if (parallel) caption(0);
    const PerFileOutcome outcome = RunPerFile(p, h, run);
    result.Done = outcome.Done;
    result.Stopped = outcome.Stopped;

    if (oneFile)
        for (const std::string& line : fileList) output->Line(line);
    bool written = true;
    if (report) written = report->Finish(h);
    if (!written) result.Failed = result.Count;
    if (!toResults && written) {
        if (oneFile) {
            h.Results().Append(ExportedToSingleFileText);
            h.Results().Append(report->Name());
            h.ShowTimedMessage(Message5s, ExportedSeeFileNameText);
            SetFirstSourceLine(p, h, ExportedSeeFileNameText);
        } else {
            h.Results().Append(ExportedToText);
            h.Results().Append(fileList);
            h.ShowTimedMessage(Message5s, ExportedSeeFileNamesText);
            SetFirstSourceLine(p, h, ExportedSeeFileNamesText);
        }
    }
    h.EndProgress(BatchExportCompletedText);
    if (toResults) AddSourceLine(p, h, BatchExportCompletedText);
    if (result.Failed > 0 && written) AddSourceLine(p, h, BatchFailureReport(result));
    SetButton(p, h, ExportBatchCaption);
    p.Options.BatchRunning = wasBatch;
    return result;
}

BatchRunResult ExportBatchBtnClick(Program& p, Host& h, int jobs) {
    CloseAllFiles(p, h);
    FileDialogRequest request;
    request.Title = BatchExportOpenTitle;
    request.Filter = BatchExportOpenFilter;
    request.MultiSelect = true;
    const std::vector<std::string> files = h.OpenFileDialog(request);
    if (files.empty()) {
        h.ShowTimedMessage(Message2s, BatchNoFilesText);
        return {};
    }
    return ExportBatch(p, h, files, jobs);
}

} // namespace kelp
