#include "settings/gain_table.h"

#include <charconv>
#include <stdexcept>
#include <vector>

#include "core/file_io.h"

namespace kelp {

// The text of data/logger-gains.tsv, compiled in by the build.
extern const char* const BuiltInGainRegistryText;

int LoggerGainTable::GainOf(int loggerNumber) const {
    if (!IsRegistered(loggerNumber)) return 0;
    return gains_[static_cast<std::size_t>(loggerNumber - 1)];
}

void LoggerGainTable::SetGain(int loggerNumber, int gain) {
    if (!IsRegistered(loggerNumber)) return;
    gains_[static_cast<std::size_t>(loggerNumber - 1)] = static_cast<std::uint8_t>(gain & 0xFF);
}

int LoggerGainTable::CountWithGain() const {
    int n = 0;
    for (auto g : gains_) n += g != 0 ? 1 : 0;
    return n;
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

// Splits a line into its fields, blanks and tabs separating.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        if (i > start) fields.push_back(line.substr(start, i - start));
    }
    return fields;
}

bool ParseWhole(std::string_view text, int& value) {
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end;
}

} // namespace

bool ApplyGainRegistry(std::string_view text, LoggerGainTable& table, std::string& error) {
    LoggerGainTable result = table;
    int lineNumber = 0;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (const auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
        const auto fields = Fields(line);
        if (fields.empty()) continue;
        const std::string where = "line " + std::to_string(lineNumber) + ": ";
        int logger = 0, gain = 0;
        if (fields.size() != 2) {
            error = where + "expected a logger number and a gain";
            return false;
        }
        if (!ParseWhole(fields[0], logger) || !LoggerGainTable::IsRegistered(logger)) {
            error = where + "logger number must be 1 to " + std::to_string(LoggerGainTable::Length);
            return false;
        }
        if (!ParseWhole(fields[1], gain) || gain < 0 || gain > 255) {
            error = where + "gain must be 0 to 255";
            return false;
        }
        result.SetGain(logger, gain);
    }
    table = result;
    return true;
}

bool ApplyGainRegistryFile(const std::string& path, LoggerGainTable& table, std::string& error) {
    std::vector<std::uint8_t> bytes;
    int code = 0;
    if (!ReadWholeFile(path, bytes, &code)) {
        error = path + ": " + SystemErrorText(code);
        return false;
    }
    const std::string text(bytes.begin(), bytes.end());
    if (!ApplyGainRegistry(text, table, error)) {
        error = path + ", " + error;
        return false;
    }
    return true;
}

const LoggerGainTable& BuiltInGainTable() {
    static const LoggerGainTable table = [] {
        LoggerGainTable t;
        std::string error;
        if (!ApplyGainRegistry(BuiltInGainRegistryText, t, error))
            throw std::logic_error("data/logger-gains.tsv, " + error);
        return t;
    }();
    return table;
}

} // namespace kelp
