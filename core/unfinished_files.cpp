#include "core/unfinished_files.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <unistd.h>

namespace kelp {

namespace {
struct Registry {
    std::mutex Mutex;
    std::map<std::string, std::string> Files; // temporary path -> final path
    bool Closed = false;
    int Changes = 0; // live FileChangeScopes of every thread
    std::condition_variable ChangesDone;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

thread_local int changesHere = 0;
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

std::vector<std::string> UnfinishedFileNames() {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> lock(r.Mutex);
    std::vector<std::string> names;
    for (const auto& entry : r.Files) names.push_back(entry.second);
    return names;
}

std::vector<std::string> RemoveUnfinishedFiles() {
    Registry& r = TheRegistry();
    std::unique_lock<std::mutex> lock(r.Mutex);
    r.Closed = true;
    r.ChangesDone.wait(lock, [&] { return r.Changes == changesHere; });
    std::vector<std::string> removed;
    for (const auto& [temporary, finalPath] : r.Files)
        if (::unlink(temporary.c_str()) == 0) removed.push_back(finalPath);
    r.Files.clear();
    return removed;
}

FileChangeScope::FileChangeScope() {
    Registry& r = TheRegistry();
    std::unique_lock<std::mutex> lock(r.Mutex);
    r.ChangesDone.wait(lock, [&] { return !r.Closed; });
    ++r.Changes;
    ++changesHere;
}

FileChangeScope::~FileChangeScope() {
    Registry& r = TheRegistry();
    {
        std::lock_guard<std::mutex> lock(r.Mutex);
        --r.Changes;
        --changesHere;
    }
    r.ChangesDone.notify_all();
}

bool FileChangeInProgressHere() {
    return changesHere > 0;
}

} // namespace kelp
