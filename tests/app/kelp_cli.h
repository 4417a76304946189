#pragma once
// Runs kelp-cli beside the window, for the tests that compare what a page writes with what the
// command line writes from the same inputs; and small file helpers for them.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QProcess>
#include <QStringList>

#include "core/file_io.h"

namespace kelp::testing {

struct CliRun {
    int ExitCode = -1;
    std::string Out;
    std::string Err;
};

inline CliRun RunCli(const std::vector<std::string>& args) {
    CliRun run;
#ifdef KELP_CLI_PATH
    QStringList list;
    for (const std::string& a : args) list << QString::fromStdString(a);
    QProcess process;
    process.start(KELP_CLI_PATH, list);
    if (!process.waitForFinished(120'000)) return run;
    run.ExitCode = process.exitCode();
    run.Out = process.readAllStandardOutput().toStdString();
    run.Err = process.readAllStandardError().toStdString();
#else
    (void)args;
#endif
    return run;
}

inline std::vector<std::uint8_t> Bytes(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    ReadWholeFile(path, bytes);
    return bytes;
}

// The names of the files in a folder with an extension (any case), sorted.
inline std::vector<std::string> FilesWith(const std::string& folder, const std::string& extension) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
        std::string ext = entry.path().extension().string();
        for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (ext == extension) names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from < text.size()) {
        const std::size_t end = text.find('\n', from);
        lines.push_back(text.substr(from, end == std::string::npos ? std::string::npos : end - from));
        if (end == std::string::npos) break;
        from = end + 1;
    }
    return lines;
}

} // namespace kelp::testing
