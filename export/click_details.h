#pragma once
// "Export click details": every click of file 1 that passes the filters, one
// tab-separated line each, into a text file.
#include <string>

namespace kelp {

class Program;
class Host;

// The button: checks file 1, asks for the file name (proposing file 1's name with
// " click details.txt") and writes the export. True when a file was written.
bool ExportClickDetails(Program& program, Host& host);

// Writes the export into `chosenName` with its extension made ".txt" (file 1 must be
// open). True when the file was written.
bool WriteClickDetails(Program& program, Host& host, const std::string& chosenName);

// The name the export gets for a chosen name: its extension replaced by ".txt".
std::string ClickDetailsFileName(const std::string& chosenName);

} // namespace kelp
