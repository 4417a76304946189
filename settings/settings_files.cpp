#include "settings/settings_files.h"

#include "core/file_io.h"

namespace kelp {

bool WriteSettingsFile(const std::string& path, const SettingsBlock& block, int& error) {
    AtomicFileWriter writer(path);
    if (!writer.Open() || !writer.Write(block.data(), block.size()) || !writer.Commit()) {
        error = writer.LastError();
        writer.Abandon();
        return false;
    }
    return true;
}

bool SetupFileRewrite::Open(const std::string& path, int& error) {
    if (!file_.Open(path, BinaryFile::Mode::ReadWrite)) {
        error = file_.LastError();
        return false;
    }
    return true;
}

bool SetupFileRewrite::Write(const SettingsBlock& block, int& error) {
    if (!file_.WriteAt(0, block.data(), SetupRewriteLength)) {
        error = file_.LastError();
        return false;
    }
    return true;
}

bool SetupFileRewrite::Close(int& error) {
    if (!file_.IsOpen()) return true;
    // The card is often pulled out right after; what was written must be on it.
    if (!file_.Sync() || !file_.Close()) {
        error = file_.LastError();
        return false;
    }
    return true;
}

} // namespace kelp
