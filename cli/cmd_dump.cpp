// kelp-cli dump: the header fields by name and, on request, every record decoded.
// It only reads the file: no repair, no map file.
#include <iomanip>
#include <optional>
#include <sstream>

#include "cli/registry.h"
#include "core/bytes.h"
#include "core/codes.h"
#include "core/file_io.h"
#include "core/file_slot.h"
#include "core/header.h"
#include "core/records.h"

namespace kelp::cli {
namespace {

constexpr const char* DumpHelp =
    R"(Prints a KL1, KL2 or KL3 file's header fields, one "name<TAB>value" line each,
and with --records every record, one line each, tab-separated:
  M  position  minute-number  dd/mm/yyyy hh:mm  temperature  angle  last-click-time  n-clicks-byte  value18  hex
  C  position  type  click-time-text  time  Ncyc  BW  kHz  EndkHz  SPL  envelope  class-code
     then for KL2: size slope duration cycles min-kHz max-kHz value14 band gap-before value17
     for KL3: size slope duration cycles min-kHz max-kHz value14 band train-slot value17 quality species interval-flag
     and last the record's bytes in hex
  F  position  hex                      (filler record)
  X  position  type  hex                (record class error)
  E  position                           (end of data; the listing stops)
Minute numbers run from the header's first minute, advancing by the minutes per marker.
--from takes a minute number or "dd/mm/yyyy hh:mm"; --count limits the number of minutes listed.)";

std::string Hex(const std::uint8_t* p, int n) {
    std::ostringstream s;
    for (int i = 0; i < n; ++i) s << std::hex << std::setw(2) << std::setfill('0') << int{p[i]};
    return s.str();
}

void PrintHeader(std::ostream& out, const DataFileHeader& h, FileKind kind, int minutesPerMarker) {
    auto line = [&](const char* name, const auto& value) { out << name << '\t' << value << '\n'; };
    line("kind", KindExtension(kind));
    line("format_code", int{h.FormatCode()});
    line("record_length_byte", int{h.RecordLengthByte()});
    line("record_length", h.RecordLength());
    line("envelope_ready", h.EnvelopeReady() ? 1 : 0);
    line("envelope_kind_two_flag", int{h.EnvelopeKindTwoFlag()});
    line("landmarks_marked", h.LandmarksMarked() ? 1 : 0);
    line("record_format", int{h.RecordFormatByte()});
    line("latitude", h.Latitude());
    line("longitude", h.Longitude());
    line("deployment_depth", h.DeploymentDepth());
    line("water_depth", h.WaterDepth());
    line("location", h.Location());
    line("settings", Hex(h.Settings(), SettingsAreaSize));
    line("click_count", h.ClickCount());
    line("minutes_overall", h.MinutesOverall());
    line("logging_minutes", h.LoggingMinutes());
    line("limit_minutes", h.LimitMinutes());
    line("year_made", h.YearMadeText());
    line("logger_number", h.LoggerNumberDigits());
    line("logger_version", int{h.LoggerVersion()});
    line("notes", h.Notes());
    line("first_minute", h.FirstMinute());
    line("first_minute_text", DateTimeText(h.FirstMinute()));
    line("last_minute", h.LastMinute());
    line("last_minute_text", DateTimeText(h.LastMinute()));
    line("created_minute", h.CreatedMinute());
    line("original_first_minute", h.OriginalFirstMinute());
    line("endpoint_start", h.EndpointStart());
    line("endpoint_end", h.EndpointEnd());
    line("envelope_coding_kind", int{h.EnvelopeCodingKind()});
    line("tda_version", int{h.TdaVersion()});
    line("minutes_per_marker", minutesPerMarker);
}

int MinutesPerMarkerOf(const DataFileHeader& h) {
    std::string digits = h.LoggerNumberDigits();
    const int logger = digits.empty() ? 1 : std::stoi(digits);
    return h.SettingsArea(SlotSettingsLayout(logger)).MinutesOff + 1;
}

int RunDump(Context& ctx, const std::string& path, bool records, const std::string& from, long count) {
    std::ostream& out = *ctx.out;
    const FileKind kind = FileKindFromName(path);
    if (kind == FileKind::None) {
        ctx.host.ShowTimedMessage(Message5s, "File type not recognised");
        return ExitFailure;
    }
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::Read)) {
        ctx.host.ShowTimedMessage(Message5s,
                                  path + " not opened successfully.  (" + file.LastErrorText() + ")");
        return ExitFailure;
    }
    DataFileHeader header;
    if (file.ReadAt(0, header.Bytes.data(), header.Bytes.size()) != DataFileHeader::Size) {
        ctx.host.ShowTimedMessage(Message5s, path + " is too small to hold any data (0)");
        return ExitFailure;
    }
    const int mpm = MinutesPerMarkerOf(header);
    PrintHeader(out, header, kind, mpm);
    if (!records) return ExitSuccess;

    std::optional<MinuteNumber> fromMinute;
    if (!from.empty()) {
        if (auto t = ParseDateTimeText(from))
            fromMinute = t->Minute;
        else {
            try {
                fromMinute = std::stoi(from);
            } catch (...) {
                *ctx.err << "--from: not a minute number or dd/mm/yyyy hh:mm: " << from << '\n';
                return ExitUsage;
            }
        }
    }

    RecordLayout layout;
    layout.Kind = kind;
    layout.RecordLength = header.RecordLength();
    layout.RecordFormat = header.RecordFormat();
    layout.EnvelopeReady = header.EnvelopeReady();
    const int R = layout.RecordLength;
    MarkerContext markerContext;

    std::vector<std::uint8_t> block(static_cast<std::size_t>(ReadBufferBytes / R * R));
    std::int64_t position = HeaderLength;
    MinuteNumber minute = header.FirstMinute() == 0 ? 1 : header.FirstMinute();
    bool firstMarker = true;
    long minutesShown = 0;
    bool showing = !fromMinute;
    for (;;) {
        const std::int64_t n = file.ReadAt(position, block.data(), block.size());
        if (n < 0) {
            ctx.host.ShowTimedMessage(Message2s, file.LastErrorText());
            return ExitFailure;
        }
        if (n < R) break;
        for (std::int64_t off = 0; off + R <= n; off += R, position += R) {
            const std::uint8_t* r = block.data() + off;
            const int type = RecordType(r, layout);
            if (type == TypeMinuteMarker) {
                if (!firstMarker) minute += mpm;
                firstMarker = false;
                if (!showing && fromMinute && minute >= *fromMinute) showing = true;
                if (showing) {
                    if (count >= 0 && minutesShown >= count) return ExitSuccess;
                    ++minutesShown;
                }
            }
            if (!showing) continue;
            if (type == TypeMinuteMarker) {
                MinuteMarker m;
                DecodeMarker(r, layout, markerContext, m);
                out << "M\t" << position << '\t' << minute << '\t' << DateTimeText(minute) << '\t'
                    << m.Temperature << '\t' << m.Angle << '\t' << m.LastClickTime << '\t'
                    << int{(kind == FileKind::KL1 || R < 8) ? 0 : r[7]} << '\t' << m.MinuteValue18 << '\t'
                    << Hex(r, R) << '\n';
            } else if (type == TypeEndOfData) {
                out << "E\t" << position << '\n';
                return ExitSuccess;
            } else if (type == TypeFiller) {
                out << "F\t" << position << '\t' << Hex(r, R) << '\n';
            } else if (IsRecordClassError(type)) {
                out << "X\t" << position << '\t' << type << '\t' << Hex(r, R) << '\n';
            } else {
                ClickRecord c;
                DecodeClick(r, layout, c);
                out << "C\t" << position << '\t' << type << '\t' << ClickTimeText({minute, c.Time}) << '\t'
                    << c.Time << '\t' << c.Ncyc << '\t' << c.BW << '\t' << c.kHz << '\t' << c.EndkHz << '\t'
                    << c.SPL << '\t' << int{c.Envelope} << '\t' << c.ClassCode;
                if (kind != FileKind::KL1) {
                    out << '\t' << c.ClusterSize << '\t' << c.ClusterSlope << '\t' << c.ClusterDuration
                        << '\t' << c.ClusterCycles << '\t' << c.ClusterMinkHz << '\t' << c.ClusterMaxkHz
                        << '\t' << c.ClusterValue14 << '\t' << c.Band << '\t'
                        << (kind == FileKind::KL2 ? c.GapBefore : c.TrainSlot) << '\t' << c.Value17;
                    if (kind == FileKind::KL3)
                        out << '\t' << int{c.Quality} << '\t' << int{c.Species} << '\t'
                            << int{c.IntervalFlag};
                }
                out << '\t' << Hex(r, R) << '\n';
            }
        }
    }
    return ExitSuccess;
}

CommandRegistrar dumpCommands(10, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("dump", "Print a data file's header and records");
    cmd->footer(DumpHelp);
    auto path = std::make_shared<std::string>();
    auto records = std::make_shared<bool>(false);
    auto from = std::make_shared<std::string>();
    auto count = std::make_shared<long>(-1);
    cmd->add_option("FILE", *path, "KL1, KL2 or KL3 file")->required();
    cmd->add_flag("--records", *records, "List every record");
    cmd->add_option("--from", *from, "First minute to list (minute number or dd/mm/yyyy hh:mm)");
    cmd->add_option("--count", *count, "Number of minutes to list");
    cmd->callback(
        [&ctx, path, records, from, count] { ctx.exitCode = RunDump(ctx, *path, *records, *from, *count); });
});

} // namespace
} // namespace kelp::cli
