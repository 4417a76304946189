#include "export/provenance.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "core/program.h"
#include "export/detection_export.h"
#include "export/tidy_table.h"
#include "kelp_version.h"

namespace kelp {

namespace {

std::string Range(const FilterRange& r) {
    return "{\"min\": " + std::to_string(r.Min.Value) + ", \"max\": " + std::to_string(r.Max.Value) + "}";
}

std::string Bool(bool b) {
    return b ? "true" : "false";
}

std::string List(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

std::string FiltersJson(const Program& p) {
    static constexpr std::array<const char*, 4> qualities{"?", "Lo", "Mod", "Hi"};
    static constexpr std::array<const char*, 5> species{"porpoise-like", "dolphins", "other train sources",
                                                        "unclassed", "boat sonars"};
    std::vector<std::string> q, sp;
    for (int i = 3; i >= 0; --i)
        if (p.Trains.Quality[static_cast<std::size_t>(i)])
            q.emplace_back(qualities[static_cast<std::size_t>(i)]);
    for (std::size_t i = 0; i < species.size(); ++i)
        if (p.Trains.Species[i]) sp.emplace_back(species[i]);
    const ClickFilter& c = p.Clicks;
    std::string j = "{\n";
    j += "    \"ignore_filters\": " + Bool(c.Ignore) + ",\n";
    j += "    \"click_filter_text\": " + JsonString(p.ClickFilterText) + ",\n";
    j += "    \"train_filter_text\": " + JsonString(p.TrainFilterText) + ",\n";
    j += "    \"frequency_khz\": " + Range(c.Frequency) + ",\n";
    j += "    \"duration_cycles\": " + Range(c.Duration) + ",\n";
    j += "    \"amplitude\": " + Range(c.Amplitude) + ",\n";
    j += "    \"envelope_slope\": " + Range(c.Envelope) + ",\n";
    j += "    \"bandwidth\": " + Range(c.Bandwidth) + ",\n";
    j += "    \"weak_filter\": " + std::to_string(c.Weak.Value) + ",\n";
    j += "    \"min_cluster_status\": " + std::to_string(c.MinClusterStatus.Value) + ",\n";
    j += "    \"exact_cluster_status\": " + std::to_string(c.ExactClusterStatus.Value) + ",\n";
    j += "    \"cluster_band_1\": " + Bool(c.ClusterBand1) + ",\n";
    j += "    \"qualities\": " + List(q) + ",\n";
    j += "    \"all_qualities\": " + Bool(p.Trains.AllQualities) + ",\n";
    j += "    \"species\": " + List(sp) + ",\n";
    j += "    \"minute_click_limit\": " + JsonString(p.MinuteLimitLabel) + ",\n";
    j += "    \"use_endpoints\": " + Bool(p.Options.UseEndpoints) + "\n";
    return j + "  }";
}

std::string FileJson(const ExportedFile& f) {
    std::string j = "    {\n";
    j += "      \"name\": " + JsonString(f.Name) + ",\n";
    j += "      \"path\": " + JsonString(f.Path) + ",\n";
    j += "      \"kind\": " + JsonString(f.Kind) + ",\n";
    j += "      \"size_bytes\": " + std::to_string(f.SizeBytes) + ",\n";
    j += "      \"first_minute\": " + JsonString(IsoMinuteText(f.FirstMinute)) + ",\n";
    j += "      \"last_minute\": " + JsonString(IsoMinuteText(f.LastMinute)) + ",\n";
    j += "      \"export_first_minute\": " + JsonString(IsoMinuteText(f.ExportFirst)) + ",\n";
    j += "      \"export_last_minute\": " + JsonString(IsoMinuteText(f.ExportEnd)) + ",\n";
    j += "      \"duty_cycle\": " + std::to_string(f.DutyCycle) + ",\n";
    j += "      \"logger\": " + std::to_string(f.Logger) + ",\n";
    j += "      \"location\": " + JsonString(f.Location) + ",\n";
    j += "      \"latitude\": " + JsonString(f.Latitude) + ",\n";
    j += "      \"longitude\": " + JsonString(f.Longitude) + "\n";
    return j + "    }";
}

} // namespace

std::string ProgramVersionText() {
    return KelpVersion;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
            } else if (c >= 0x80) {
                // Header texts are single bytes of the logger's character set: kept as Latin-1.
                out += static_cast<char>(0xC0 | (c >> 6));
                out += static_cast<char>(0x80 | (c & 0x3F));
            } else {
                out += ch;
            }
        }
    }
    return out + "\"";
}

std::string UtcNowText() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string ProvenanceJson(const Program& p, const ExportPage& page, const std::string& tableName,
                           const std::vector<ExportedFile>& files, const std::string& createdUtc) {
    std::string j = "{\n";
    j += "  \"program\": \"kelp\",\n";
    j += "  \"version\": " + JsonString(ProgramVersionText()) + ",\n";
    j += "  \"created\": " + JsonString(createdUtc) + ",\n";
    j += "  \"table\": " + JsonString(ShortNameOf(tableName)) + ",\n";
    j += "  \"data_item\": " + JsonString(ExportItemName(page.DataItem)) + ",\n";
    j += "  \"data_item_caption\": " + JsonString(DataItemCaptions[static_cast<std::size_t>(page.DataItem)]) +
         ",\n";
    j += "  \"period\": " + JsonString(ExportPeriodName(page.Period)) + ",\n";
    j += "  \"period_minutes\": " + std::to_string(PeriodLength(page.Period)) + ",\n";
    j += "  \"columns\": " + List(TidyColumns(page.DataItem)) + ",\n";
    j += "  \"files\": [\n";
    for (std::size_t i = 0; i < files.size(); ++i)
        j += FileJson(files[i]) + (i + 1 < files.size() ? ",\n" : "\n");
    j += "  ],\n";
    j += "  \"filters\": " + FiltersJson(p) + "\n";
    return j + "}\n";
}

} // namespace kelp
