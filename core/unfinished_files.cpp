#include "core/unfinished_files.h"

#include <map>
#include <mutex>
#include <unistd.h>

namespace kelp {

namespace {
struct Registry {
    std::mutex Mutex;
    std::map<std::string, std::string> Files; // temporary path -> final path
    bool Closed = false;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}
} // namespace

bool NoteUnfinishedFile(const std::string& temporaryPath, const std::string& finalPath) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.Mutex);
    if (r.Closed) return false;
    r.Files[temporaryPath] = finalPath;
    return true;
}

void ForgetUnfinishedFile(const std::string& temporaryPath) {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.Mutex);
    r.Files.erase(temporaryPath);
}

std::vector<std::string> RemoveUnfinishedFiles() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.Mutex);
    r.Closed = true;
    std::vector<std::string> removed;
    for (const auto& [temporary, finalPath] : r.Files)
        if (::unlink(temporary.c_str()) == 0) removed.push_back(finalPath);
    r.Files.clear();
    return removed;
}

} // namespace kelp
