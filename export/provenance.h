#pragma once
// The record of how a tidy table was made: the program, each data file exported (name,
// size, first and last minute, logger, location, position), the data item, the period,
// every filter in force and the creation time, as one JSON object.
#include <cstdint>
#include <string>
#include <vector>

#include "core/time.h"
#include "export/export_page.h"

namespace kelp {

class Program;

struct ExportedFile {
    std::string Name; // without folder
    std::string Path;
    std::int64_t SizeBytes = 0;
    std::string Kind; // "KL1", "KL2", "KL3"
    MinuteNumber FirstMinute = 0;
    MinuteNumber LastMinute = 0;
    MinuteNumber ExportFirst = 0;
    MinuteNumber ExportEnd = 0; // last minute exported
    int DutyCycle = 1;
    int Logger = 0;
    std::string Location;
    std::string Latitude;
    std::string Longitude;
};

// The version written into the provenance.
std::string ProgramVersionText();
// A text as a JSON string literal.
std::string JsonString(const std::string& text);
// The current time as "2024-01-31T10:20:05Z" (UTC).
std::string UtcNowText();

std::string ProvenanceJson(const Program& program, const ExportPage& page, const std::string& tableName,
                           const std::vector<ExportedFile>& files, const std::string& createdUtc);

} // namespace kelp
