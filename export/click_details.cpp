#include "export/click_details.h"

#include <algorithm>

#include "core/file_io.h"
#include "core/host.h"
#include "core/program.h"
#include "core/reader.h"

namespace kelp {

namespace {

constexpr std::size_t FlushBytes = 1 << 20;
constexpr int FailedToCreateMs = 60'000;

void AppendNumber(std::string& out, std::int64_t v) {
    out += std::to_string(v);
}

} // namespace

std::string ClickDetailsFileName(const std::string& chosenName) {
    return WithExtension(chosenName, ".txt");
}

bool ExportClickDetails(Program& p, Host& host) {
    if (!p.Slot(1).IsOpen) {
        host.ShowMessage("Details can only be exported from File 1");
        return false;
    }
    FileDialogRequest request;
    request.Title = "Export click details";
    request.Filter = "Text files|*.txt|All files|*.*";
    request.InitialName = WithExtension(p.Slot(1).FullName, " click details.txt");
    const auto chosen = host.SaveFileDialog(request);
    if (!chosen) return false;
    return WriteClickDetails(p, host, *chosen);
}

bool WriteClickDetails(Program& p, Host& host, const std::string& chosenName) {
    FileSlot& s = p.Slot(1);
    if (!s.IsOpen) {
        host.ShowMessage("Details can only be exported from File 1");
        return false;
    }
    const std::string name = ClickDetailsFileName(chosenName);
    AtomicFileWriter writer(name);
    if (!writer.Open()) {
        host.ShowTimedMessage(Message2s, SystemErrorText(writer.LastError()));
        host.ShowTimedMessage(FailedToCreateMs, "Failed to create export file " + name);
        return false;
    }
    const bool kl3 = s.Kind == FileKind::KL3;
    PositionAt(p, host, p.SharedStart, 0);

    std::string out;
    out.reserve(FlushBytes + 4096);
    out += s.ShortName + "\n";
    out += p.ClickFilterText + "\n";
    out += p.TrainFilterText + "\n";
    out += "minute\tmicrosec\tcycles\tSPL\tkHz\tBandwidth\tslope a\tslope b\tend kHz";
    if (kl3) out += "\tQclass\tTrN";
    out += "\n";

    // The bar over the minutes of the shared range, stepped every 1 %.
    const std::string label = p.ProgressLabel;
    const std::int64_t minutes =
        std::max<std::int64_t>(1, static_cast<std::int64_t>(p.SharedEnd) - p.SharedStart + 1);
    const std::int64_t step = std::max<std::int64_t>(1, (minutes + 99) / 100);
    std::int64_t nextStep = step;
    host.StartProgress("Exporting click details from " + s.ShortName, minutes, 0);

    bool ok = true;
    MinuteNumber textMinute = 0;
    std::string minuteText;
    while (ok && s.MoreData) {
        NextRecord(p, host, 1);
        if (s.NRType >= 128) continue;
        const ClickRecord& c = s.Click;
        if (minuteText.empty() || c.Minute != textMinute) {
            textMinute = c.Minute;
            minuteText = DateTimeText(c.Minute);
            const std::int64_t done = static_cast<std::int64_t>(c.Minute) - p.SharedStart;
            if (done >= nextStep) {
                nextStep = (done / step + 1) * step;
                host.StepProgress(done);
                host.ProcessEvents();
            }
        }
        out += minuteText;
        out += '\t';
        AppendNumber(out, static_cast<std::int64_t>(c.Time) * MicrosecondsPerTick);
        out += '\t';
        AppendNumber(out, c.Ncyc);
        out += '\t';
        AppendNumber(out, c.SPL);
        out += '\t';
        AppendNumber(out, c.kHz);
        out += '\t';
        AppendNumber(out, c.BW);
        out += '\t';
        AppendNumber(out, c.Envelope & 15);
        out += '\t';
        AppendNumber(out, c.Envelope >> 4);
        out += '\t';
        AppendNumber(out, c.EndkHz);
        if (kl3) {
            out += '\t';
            AppendNumber(out, c.Quality);
            out += '\t';
            AppendNumber(out, s.NRType);
        }
        out += '\n';
        if (out.size() >= FlushBytes) {
            ok = writer.Write(out.data(), out.size());
            out.clear();
        }
    }
    ok = ok && writer.Write(out.data(), out.size()) && writer.Commit();
    host.EndProgress(label);
    if (!ok) {
        // The file is not kept: a half export under the final name would look complete.
        host.ShowTimedMessage(Message5s, "Failed to write export file " + name + "  (" +
                                             SystemErrorText(writer.LastError()) + ")");
        writer.Abandon();
        return false;
    }
    return true;
}

} // namespace kelp
