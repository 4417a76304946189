#include "export/batch_parts.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <optional>

#include "core/file_io.h"
#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/export_output.h"
#include "export/export_page.h"

namespace kelp {

namespace {

// The missing parts a refused merge names, at most.
constexpr int MissingPartsNamed = 20;

struct BatchPart {
    std::string Name;
    int Number = 0;
    int Count = 0;
    bool Opened = false;
    bool Exported = false;
    long Column = -1;
    std::vector<std::string> Results;
    std::vector<std::string> Lines;
    std::string FileListLine;
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

bool ParseNumber(const std::string& text, long& value) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return !text.empty() && error == std::errc() && at == end;
}

// Reads a part file; "" when it is sound, else the reason it is not.
std::string ReadPart(const std::string& name, BatchPart& part) {
    part.Name = name;
    std::vector<std::uint8_t> bytes;
    int error = 0;
    if (!ReadWholeFile(name, bytes, &error)) return "cannot be read (" + SystemErrorText(error) + ")";
    const std::vector<std::string> lines = SplitLines(std::string(bytes.begin(), bytes.end()));
    if (lines.empty()) return "is empty";
    std::vector<std::string> f;
    std::size_t start = 0;
    for (;;) {
        const auto tab = lines[0].find('\t', start);
        f.push_back(lines[0].substr(start, tab == std::string::npos ? std::string::npos : tab - start));
        if (tab == std::string::npos) break;
        start = tab + 1;
    }
    if (f.size() != 7 || f[0] != BatchPartMagic) return "is not a batch part";
    const auto slash = f[1].find('/');
    long number = 0, count = 0, opened = 0, exported = 0, column = 0, results = 0, report = 0;
    if (slash == std::string::npos || !ParseNumber(f[1].substr(0, slash), number) ||
        !ParseNumber(f[1].substr(slash + 1), count) || !ParseNumber(f[2], opened) ||
        !ParseNumber(f[3], exported) || !ParseNumber(f[4], column) || !ParseNumber(f[5], results) ||
        !ParseNumber(f[6], report) || count < 1 || count > INT32_MAX || number < 1 || number > count ||
        results < 0 || report < 0 || column < -1 || column >= report || (opened != 0 && opened != 1) ||
        (exported != 0 && exported != 1))
        return "has a damaged first line";
    const auto have = static_cast<long>(lines.size());
    if (results > have || report > have || 1 + results + report + opened != have) return "is incomplete";
    part.Number = static_cast<int>(number);
    part.Count = static_cast<int>(count);
    part.Opened = opened == 1;
    part.Exported = exported == 1;
    part.Column = column;
    const auto r = static_cast<std::ptrdiff_t>(results), n = static_cast<std::ptrdiff_t>(report);
    part.Results.assign(lines.begin() + 1, lines.begin() + 1 + r);
    part.Lines.assign(lines.begin() + 1 + r, lines.begin() + 1 + r + n);
    if (part.Opened) part.FileListLine = lines.back();
    return "";
}

} // namespace

bool WriteBatchPart(Program& p, Host& h, const std::string& file, int number, int count,
                    const std::string& partName, bool& exported) {
    exported = false;
    if (RefuseDataOrMapTarget(h, partName)) return false;
    CloseAllFiles(p, h);
    ExportPage& page = ExportPageOf(p);
    page.To = ExportTo::TextFile;
    page.OneFile = true;
    PrepareBatchExport(p, h);
    TextFileLines out(partName, "batch part");
    if (!out.Open()) {
        h.ShowTimedMessage(Message2s, out.ErrorText());
        h.ShowTimedMessage(Message2s, "Failed to create batch part " + partName);
        return false;
    }
    const bool wasBatch = p.Options.BatchRunning;
    p.Options.BatchRunning = true;
    const std::size_t resultsBefore = h.Results().Lines().size();
    BatchExportFile f;
    ExportBatchFile(p, h, file, number, f);
    p.Options.BatchRunning = wasBatch;
    const auto& all = h.Results().Lines();
    const std::vector<std::string> results(all.begin() + static_cast<std::ptrdiff_t>(resultsBefore),
                                           all.end());
    const long column = f.ColumnAt < f.Lines.size() ? static_cast<long>(f.ColumnAt) : -1;
    out.Line(std::string(BatchPartMagic) + "\t" + std::to_string(number) + "/" + std::to_string(count) +
             "\t" + (f.Opened ? "1" : "0") + "\t" + (f.Exported ? "1" : "0") + "\t" + std::to_string(column) +
             "\t" + std::to_string(results.size()) + "\t" + std::to_string(f.Lines.size()));
    for (const auto& line : results) out.Line(line);
    for (const auto& line : f.Lines) out.Line(line);
    if (f.Opened) out.Line(std::to_string(number) + "\t" + file);
    if (!out.Finish(h)) return false;
    exported = f.Exported;
    return true;
}

BatchRunResult MergeBatchParts(Host& h, const std::vector<std::string>& parts,
                               const std::string& reportName) {
    BatchRunResult result;
    std::map<int, BatchPart> byNumber;
    int count = 0;
    for (const std::string& name : parts) {
        BatchPart part;
        const std::string fault = ReadPart(name, part);
        if (!fault.empty()) {
            h.ShowMessage("Not merged: the batch part " + name + " " + fault);
            return result;
        }
        if (count != 0 && part.Count != count) {
            h.ShowMessage("Not merged: " + name + " belongs to a batch of " + std::to_string(part.Count) +
                          " files, the other parts to one of " + std::to_string(count));
            return result;
        }
        count = part.Count;
        const int number = part.Number;
        if (!byNumber.emplace(number, std::move(part)).second) {
            h.ShowMessage("Not merged: two parts are file " + std::to_string(number) + " of the batch (" +
                          byNumber[number].Name + " and " + name + ")");
            return result;
        }
    }
    result.Count = count;
    // A damaged part may claim a batch of millions of files: the first missing ones are named.
    std::string missing;
    int named = 0;
    for (int n = 1; n <= count; ++n) {
        if (byNumber.count(n)) continue;
        if (++named > MissingPartsNamed) {
            missing += ", ...";
            break;
        }
        missing += (missing.empty() ? "" : ", ") + std::to_string(n);
    }
    if (!missing.empty()) {
        h.ShowMessage("Not merged: the parts of files " + missing + " of the batch of " +
                      std::to_string(count) + " are missing");
        return result;
    }
    // Parts made with other export settings would mix tables that do not belong together.
    std::optional<std::string> column;
    for (const auto& [number, part] : byNumber) {
        if (part.Column < 0) continue;
        const std::string& mine = part.Lines[static_cast<std::size_t>(part.Column)];
        if (column && *column != mine) {
            h.ShowMessage("Not merged: the parts were exported with different settings (" + part.Name +
                          " has the columns \"" + mine + "\", others \"" + *column + "\")");
            return result;
        }
        column = mine;
    }
    if (RefuseDataOrMapTarget(h, reportName)) return result;
    TextFileLines report(reportName, "report file");
    if (!report.Open()) {
        h.ShowTimedMessage(Message2s, report.ErrorText());
        h.ShowTimedMessage(Message2s, "Failed to create report file " + reportName);
        return result;
    }
    bool columnWritten = false;
    std::vector<std::string> fileList;
    for (const auto& [number, part] : byNumber) {
        h.Results().Append(part.Results);
        for (std::size_t k = 0; k < part.Lines.size(); ++k)
            if (static_cast<long>(k) != part.Column || !columnWritten) report.Line(part.Lines[k]);
        if (part.Column >= 0) columnWritten = true;
        if (part.Opened) fileList.push_back(part.FileListLine);
        if (!part.Exported) ++result.Failed;
        ++result.Done;
    }
    for (const auto& line : fileList) report.Line(line);
    if (!report.Finish(h)) {
        result.Failed = result.Count;
        return result;
    }
    h.Results().Append(ExportedToSingleFileText);
    h.Results().Append(reportName);
    return result;
}

} // namespace kelp
