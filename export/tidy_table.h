#pragma once
// The tidy table: the periods of a detection export as one row each, with fixed column
// names (file, logger, period_start, period_end, minutes_on and the values), "NA" where a
// period had no minutes logged, and beside it a .json file recording how it was made.
#include <string>
#include <vector>

#include "core/header.h"
#include "export/detection_export.h"

namespace kelp {

class Program;
class Host;
class ExportLines;

inline constexpr const char* TidyDialogFilter = "Tab-separated tables|*.tsv|All files|*.*";
inline constexpr const char* TidyItemRefusedText =
    "A tidy table has one row per time period: \"Click repeat time\" and \"Noise levels\" have none";
inline constexpr const char* TidyJsonNameRefusedText =
    "A tidy table cannot be saved under a .json name: the record of how it was made takes that name";

// "Click repeat time" and "Noise levels" have no periods, so no tidy table.
bool TidyTableSupports(ExportItem item);
// The column names of the table's first row, and that row.
std::vector<std::string> TidyColumns(ExportItem item);
std::string TidyColumnHeader(ExportItem item);
// The provenance file beside a table: its name with the extension ".json".
std::string TidyProvenanceName(const std::string& tableName);
// "2024-01-31T10:20:00": a minute as ISO 8601 text of the logger's clock.
std::string IsoMinuteText(MinuteNumber minute);

// The rows of one file's periods.
class TidyRowWriter : public ExportReceiver {
public:
    TidyRowWriter(ExportItem item, std::string fileName, int logger, FileKind kind, ExportLines& lines);
    void PeriodEnded(const ExportPeriodValues& v) override;
    bool Failed() const override;

private:
    ExportItem item_;
    std::string fileName_;
    int logger_;
    FileKind kind_;
    ExportLines& lines_;
};

// Writes the tidy table of the checked open files under `name` and its provenance beside
// it, both complete or neither. Returns the number of files exported.
int ExportTidyTable(Program& program, Host& host, const std::string& name);
// The page's path: the save dialog, then the table.
int ExportTidyTableClick(Program& program, Host& host);

} // namespace kelp
