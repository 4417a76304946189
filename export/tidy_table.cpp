#include "export/tidy_table.h"

#include <algorithm>
#include <cstdio>

#include "core/host.h"
#include "core/program.h"
#include "core/slots.h"
#include "export/export_output.h"
#include "export/provenance.h"

namespace kelp {

namespace {

constexpr const char* NA = "NA";

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

// A file name as one field: no tab or line end inside it.
std::string Field(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\t' || c == '\n' || c == '\r'; }, ' ');
    return text;
}

ExportedFile DescribeExportedFile(const Program& p, int slot) {
    const FileSlot& s = p.Slot(slot);
    const ExportSpan span = ExportSpanOf(p, slot, ExportPeriod::OneMinute);
    ExportedFile f;
    f.Name = s.ShortName;
    f.Path = s.FullName;
    f.SizeBytes = s.FileSize;
    f.Kind = KindExtension(s.Kind).substr(1);
    f.FirstMinute = s.FirstMinute;
    f.LastMinute = s.LastMinute;
    f.ExportFirst = span.First;
    f.ExportEnd = std::min(span.End, s.LastMinute);
    f.DutyCycle = span.DutyCycle;
    f.Logger = s.LoggerNumber;
    f.Location = s.Location;
    f.Latitude = s.Latitude;
    f.Longitude = s.Longitude;
    return f;
}

} // namespace

bool TidyTableSupports(ExportItem item) {
    return item != ExportItem::ClickRepeat && item != ExportItem::Noise;
}

std::vector<std::string> TidyColumns(ExportItem item) {
    std::vector<std::string> columns{"file", "logger", "period_start", "period_end", "minutes_on"};
    switch (item) {
    case ExportItem::Clicks:
        columns.insert(columns.end(), {"clicks", "clicks_all"});
        break;
    case ExportItem::Dpm:
    case ExportItem::Dp10m:
    case ExportItem::Dph:
        columns.emplace_back(ExportItemName(item));
        break;
    case ExportItem::TrainDuration:
        columns.emplace_back("train_duration_ms");
        break;
    case ExportItem::Conditions:
        columns.insert(columns.end(), {"temperature_c", "angle_deg", "time_lost_percent",
                                       "clicks_per_minute_on", "clicks_all_per_minute_on"});
        break;
    default:
        break;
    }
    return columns;
}

std::string TidyColumnHeader(ExportItem item) {
    std::string header;
    for (const std::string& c : TidyColumns(item)) header += (header.empty() ? "" : "\t") + c;
    return header;
}

std::string TidyProvenanceName(const std::string& tableName) {
    return WithExtension(tableName, ".json");
}

std::string IsoMinuteText(MinuteNumber minute) {
    const std::int32_t day = DayOfMinute(minute);
    const CivilDate date = CivilFromDayNumber(day);
    const std::int64_t inDay =
        static_cast<std::int64_t>(minute) - static_cast<std::int64_t>(day) * MinutesPerDay;
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:00", date.Year, date.Month, date.Day,
                  static_cast<int>(inDay / 60), static_cast<int>(inDay % 60));
    return text;
}

TidyRowWriter::TidyRowWriter(ExportItem item, std::string fileName, int logger, FileKind kind,
                             ExportLines& lines)
    : item_(item), fileName_(Field(std::move(fileName))), logger_(logger), kind_(kind), lines_(lines) {}

void TidyRowWriter::PeriodEnded(const ExportPeriodValues& v) {
    const bool logged = v.MinutesOn > 0;
    const auto count = [&](std::int64_t value) { return logged ? std::to_string(value) : std::string(NA); };
    const auto mean = [&](double value, int decimals) {
        return logged ? Fixed(value, decimals) : std::string(NA);
    };
    std::string row = fileName_ + "\t" + std::to_string(logger_) + "\t" + IsoMinuteText(v.First) + "\t" +
                      IsoMinuteText(v.End) + "\t" + std::to_string(v.MinutesOn) + "\t";
    switch (item_) {
    case ExportItem::Clicks:
        row += count(v.Clicks) + "\t" + (kind_ == FileKind::KL3 ? count(v.NAll) : std::string(NA));
        break;
    case ExportItem::TrainDuration:
        row += count(v.DurationMilliseconds());
        break;
    case ExportItem::Conditions: {
        // The temperature is measured whether or not the logger logged clicks.
        const bool measured = v.Markers > v.MinutesWithoutTemperature;
        row += (measured ? Fixed(v.Temperature(), 2) : std::string(NA)) + "\t" + mean(v.Angle(), 1) + "\t" +
               mean(v.TimeLostPercent(), 1) + "\t" + mean(v.ClicksPerMinuteOn(), 2) + "\t" +
               mean(v.NAllPerMinuteOn(), 1);
        break;
    }
    default:
        row += count(v.Positive);
        break;
    }
    lines_.Line(row);
}

bool TidyRowWriter::Failed() const {
    return !lines_.Ok();
}

int ExportTidyTable(Program& p, Host& host, const std::string& name) {
    ExportPage& page = ExportPageOf(p);
    if (!TidyTableSupports(page.DataItem)) {
        host.ShowMessage(TidyItemRefusedText);
        return 0;
    }
    if (name.empty() || RefuseDataOrMapTarget(host, name)) return 0;
    const std::string provenanceName = TidyProvenanceName(name);
    // The table and its record would be one file: the record would replace the table, and an
    // earlier file of that name would be lost with both.
    if (provenanceName == name) {
        host.ShowMessage(TidyJsonNameRefusedText);
        return 0;
    }
    TextFileLines table(name);
    TextFileLines provenance(provenanceName);
    if (!table.Open() || !provenance.Open()) {
        host.ShowTimedMessage(Message2s, table.Ok() ? provenance.ErrorText() : table.ErrorText());
        p.SourceBox.push_back(FailedToCreateExportText);
        host.StateChanged(changed::SourceBox);
        return 0;
    }
    table.Line(TidyColumnHeader(page.DataItem));
    std::vector<ExportedFile> files;
    for (int slot = 1; slot <= SlotCount; ++slot) {
        const FileSlot& s = p.Slot(slot);
        if (!page.FileBoxes[static_cast<std::size_t>(slot)] || !s.IsOpen) continue;
        if (page.DataItem == ExportItem::Dpm && s.Kind != FileKind::KL3) {
            host.ShowTimedMessage(Message5s, DetectionsOnlyFromKL3Text(slot));
            continue;
        }
        if (!StartExport(p, host, slot)) continue;
        TidyRowWriter rows(page.DataItem, s.ShortName, s.LoggerNumber, s.Kind, table);
        RunDetectionExport(p, host, slot, rows);
        host.EndProgress(ExportCompletedText);
        files.push_back(DescribeExportedFile(p, slot));
    }
    if (files.empty()) return 0; // nothing exported: neither file is kept
    provenance.Text(ProvenanceJson(p, page, name, files, UtcNowText()));
    // Both files or neither: a table without its record of how it was made is not kept. Both
    // are written out before either takes its name, so that a failed write of the record
    // leaves an earlier table of the same name as it was.
    if (!table.WriteBuffered() || !provenance.WriteBuffered()) {
        (table.Ok() ? provenance : table).Finish(host); // shows the failure and removes the file
        return 0;
    }
    // An earlier table of this name steps aside until the record has its name too, so that a
    // failed rename of the record leaves the earlier table (and its record) as they were.
    const std::string earlier = name + ".earlier";
    const bool hadTable = FileExists(name);
    int error = 0;
    if (hadTable && !RenameFile(name, earlier, &error)) {
        host.ShowTimedMessage(Message5s,
                              "Failed to write export file " + name + "  (" + SystemErrorText(error) + ")");
        table.Abandon();
        provenance.Abandon();
        return 0;
    }
    const auto putBack = [&] {
        if (hadTable) RenameFile(earlier, name);
    };
    if (!table.Finish(host)) {
        putBack();
        return 0;
    }
    if (!provenance.Finish(host)) {
        RemoveFile(name);
        putBack();
        return 0;
    }
    if (hadTable) RemoveFile(earlier);
    host.Results().Append("Data saved to " + name);
    return static_cast<int>(files.size());
}

int ExportTidyTableClick(Program& p, Host& host) {
    const ExportPage& page = ExportPageOf(p);
    if (!TidyTableSupports(page.DataItem)) {
        host.ShowMessage(TidyItemRefusedText);
        return 0;
    }
    int first = 0;
    for (int slot = SlotCount; slot >= 1; --slot)
        if (page.FileBoxes[static_cast<std::size_t>(slot)] && p.Slot(slot).IsOpen) first = slot;
    FileDialogRequest request;
    request.Title = ExportDialogTitle;
    request.Filter = TidyDialogFilter;
    if (first)
        request.InitialName =
            WithExtension(p.Slot(first).FullName, std::string(" ") + ExportItemName(page.DataItem) + ".tsv");
    const auto chosen = host.SaveFileDialog(request);
    if (!chosen) return 0;
    return ExportTidyTable(p, host, *chosen);
}

} // namespace kelp
