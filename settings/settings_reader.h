#pragma once
// Reading settings back: the settings area of a SETUP.ORV or KLS file, of DATA0.ORV
// from a card, or of any KL1, KL2 or KL3 header is decoded onto the "Settings" page,
// so that it can be inspected and written again. Since several of these files do not
// say which logger they came from, the same bytes can be decoded again as if from a
// logger number the user names.
#include <string>
#include <utility>
#include <vector>

#include "core/host.h"
#include "core/program.h"
#include "settings/settings_page.h"

namespace kelp {

inline constexpr const char* NoLoggerNumberMessage =
    "No KELP number. Enter the number in Show settings as for KELP number ...";

// "Show settings from a file": an open dialog for any file, then ReadSettingsFromFile.
void ReadSettingsBtnClick(Program& program, Host& host);

// Reads the first 512 bytes of a file and decodes them. A file that cannot be opened
// is ignored (false).
bool ReadSettingsFromFile(Program& program, Host& host, const std::string& path);

// The logger number a file's bytes name: the digits of bytes 164..167; without any,
// the number at bytes 126..127 when the file is named exactly "SETUP.ORV", else 0.
int LoggerNumberOfSettings(const std::uint8_t* buffer, const std::string& shortName);

// Decodes the bytes read last as from logger number n (the page's layout follows n).
void DecodeSettings(Program& program, Host& host, int n);

// "Show settings as for KELP number" changed: decodes the bytes read last again as
// from logger max(1, value). The box must hold a whole number.
void ShowSettingsAsForChange(Program& program, Host& host, const std::string& text);

// Captions of the stepped settings as the reader shows them.
std::string ReadMinutesOffCaption(int code); // "ON continuously" for 0

// What the page shows after a reading, one (caption, value) pair per decoded setting:
// the source, logger number, version, layout, year made, card size, then every setting
// the layout carries. The trigger is not read back and is not listed.
std::vector<std::pair<std::string, std::string>> ShownSettings(const SettingsPage& page);

} // namespace kelp
