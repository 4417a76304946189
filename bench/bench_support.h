#pragma once
// What the benches share: a scratch folder for generated files, a plain read of a file as
// the yardstick beside each operation, and the process's peak memory.
#include <fcntl.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace kelp::bench {

// A new empty folder below $TMPDIR (or /tmp); the bench removes it when done.
inline std::string TemporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kelp-bench-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) std::abort();
    return name.data();
}

// Reads a whole file through `buffer` with plain read calls; the number of bytes read.
inline std::int64_t ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return 0;
    std::int64_t total = 0;
    for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) total += n;
    ::close(fd);
    return total;
}

// Peak memory of the process since the last ResetPeak, in MB (Linux: VmHWM).
inline double PeakMegabytes() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
    return 0;
}
inline void ResetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace kelp::bench
