#pragma once
// The two files that carry a settings block: a KLS settings file (all 512 bytes, a
// new file) and SETUP.ORV on a formatted card (its first 128 bytes rewritten in
// place, the rest of the file kept as it is).
#include <string>

#include "core/file_io.h"
#include "settings/settings_layout.h"

namespace kelp {

// Writes a new KLS file with the whole block, under a temporary name that is renamed
// at the end. False with the system's error number in `error` on failure.
bool WriteSettingsFile(const std::string& path, const SettingsBlock& block, int& error);

// Opens an existing SETUP.ORV for writing without shortening it. The file stays open
// until Close, so that the caller decides when the card sees it closed.
class SetupFileRewrite {
public:
    // False with the system's error number in `error` when the file cannot be opened.
    bool Open(const std::string& path, int& error);
    // Writes the block's first 128 bytes at the start of the file; what follows is untouched.
    bool Write(const SettingsBlock& block, int& error);
    bool Close(int& error);

private:
    BinaryFile file_;
};

} // namespace kelp
