#pragma once
// What the fuzz targets share: a scratch folder for the files an input becomes, the
// split of one input into several files, and a bounded read of every open slot.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

#include "core/file_io.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"

namespace kelp::fuzz {

// The files of one input are separated by this text (seed files and crash inputs alike).
inline constexpr std::string_view PartSeparator = "#KELP-PART#";

// A folder of its own under $TMPDIR, emptied for every input and removed at exit.
class ScratchFolder {
public:
    ScratchFolder() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelp-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data())) std::abort();
        path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    // Removes whatever the previous input left.
    void Clear() {
        std::error_code ec;
        for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
            std::filesystem::remove_all(entry.path(), ec);
    }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

inline ScratchFolder& Scratch() {
    static ScratchFolder folder;
    return folder;
}

// The input cut at each separator; at most `maxParts` parts (the last keeps the rest).
inline std::vector<std::string_view> SplitParts(const std::uint8_t* data, std::size_t size,
                                                std::size_t maxParts) {
    std::vector<std::string_view> parts;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (parts.size() + 1 < maxParts) {
        const std::size_t at = rest.find(PartSeparator);
        if (at == std::string_view::npos) break;
        parts.push_back(rest.substr(0, at));
        rest.remove_prefix(at + PartSeparator.size());
    }
    parts.push_back(rest);
    return parts;
}

// Writes bytes as a file of the scratch folder; returns its path.
inline std::string WriteScratchFile(const std::string& name, std::string_view bytes) {
    const std::string path = Scratch().File(name);
    BinaryFile f;
    if (!f.Open(path, BinaryFile::Mode::Create) || !f.WriteAt(0, bytes.data(), bytes.size())) std::abort();
    return path;
}

// Reads every open slot from a few places to its end, as the display and the exports
// do; aborts when a pass delivers more records than its file can hold (a reader that
// does not end).
inline void ReadOpenSlots(Program& program, Host& host) {
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = program.Slot(i);
        if (!s.IsOpen) continue;
        const std::int64_t later = static_cast<std::int64_t>(s.FirstMinute) + 3;
        const MinuteNumber starts[3] = {
            s.FirstMinute, later > INT32_MAX ? s.FirstMinute : MinuteNumber(later), s.LastMinute};
        for (const MinuteNumber m : starts) {
            PositionAt(program, host, m, 0);
            std::int64_t calls = 0;
            while (s.MoreData) {
                NextRecord(program, host, i);
                if (++calls > s.FileSize + 2) std::abort();
            }
        }
    }
}

} // namespace kelp::fuzz
