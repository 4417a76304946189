#include "download/card_diagnostics.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "core/file_io.h"
#include "core/header.h"
#include "core/settings_area.h"
#include "core/time.h"
#include "settings/gain_table.h"

namespace kelp {

namespace {

constexpr std::size_t ResultLinesMax = 500;
constexpr std::int64_t SmallestCheckedFile = 522;

std::string FilterLine(int code) {
    switch (code) {
    case 0:
        return "Filter\t\t80 kHz";
    case 1:
        return "Filter\t\t40 kHz";
    case 2:
        return "Filter\t\t20 kHz";
    case 3:
        return "Filter\t\t10 kHz";
    default:
        return "";
    }
}

std::string ClickLimitLine(int code) {
    if (code == 0) return "No limit on number of clicks logged per minute";
    const std::int64_t limit = MinuteClickLimitOf(code);
    return limit > 0 ? "Limit on clicks logged per minute =  " + std::to_string(limit) : "";
}

std::string FrequencyRangeLine(int shortest, int longest) {
    if (shortest == 0 || longest == 0) return "";
    return "Frange\t\t" + std::to_string(5000 / shortest) + " kHz" + "\t" + std::to_string(5000 / longest) +
           " kHz";
}

std::string Byte(const SDHeaderBlock& block, int offset) {
    return std::to_string(block.Bytes[static_cast<std::size_t>(offset)]);
}

void AddIf(std::vector<std::string>& lines, const std::string& line) {
    if (!line.empty()) lines.push_back(line);
}

// The settings lines of a header block; returns the gain they show.
int SettingsLines(const SDHeaderBlock& b, int layout, std::vector<std::string>& lines) {
    const auto at = [&](int offset) { return int{b.Bytes[static_cast<std::size_t>(offset)]}; };
    const std::string intermittent = "minutes OFF between minutes ON";
    if (layout == 1) {
        lines.push_back("Switch range\t" + Byte(b, 64) + "\t" + Byte(b, 65));
        lines.push_back("");
        if (at(66) != 0) lines.push_back("Intermittent logging: " + Byte(b, 66) + intermittent);
        AddIf(lines, FilterLine(at(79)));
        lines.push_back("Gain,Hys\t\t" + Byte(b, 77) + "," + Byte(b, 78));
        lines.push_back("Pa p-p a,b,c\t\t" + Byte(b, 85) + "," + Byte(b, 89) + "," + Byte(b, 84));
        lines.push_back("hrI,BW+\t\t" + Byte(b, 86) + "," + Byte(b, 87));
        lines.push_back("LimitFilters\t\t" + Byte(b, 90) + "," + Byte(b, 91));
        AddIf(lines, FrequencyRangeLine(at(82), at(83)));
        if (at(92) != 0) {
            lines.push_back("Alerting freq set:  " + std::to_string((at(92) & 127) * 10) + " kHz");
            if (at(92) > 128) lines.push_back("Alerting freq set to high power");
        }
        return at(77);
    }
    lines.push_back("Switch range\t" + Byte(b, 66) + "\t" + Byte(b, 67));
    lines.push_back("");
    if (at(68) != 0) lines.push_back("Intermittent logging: " + Byte(b, 68) + intermittent);
    AddIf(lines, FilterLine(at(80)));
    lines.push_back("G,H\t\t" + Byte(b, 64) + "," + Byte(b, 65));
    lines.push_back("Pa p-p a,b,c\t\t" + Byte(b, 82) + "," + Byte(b, 83) + "," + Byte(b, 84));
    lines.push_back("BW+\t\t" + Byte(b, 85));
    AddIf(lines, FrequencyRangeLine(at(86), at(87)));
    return at(64);
}

// Reads a file in large pieces and hands out a few bytes at a time.
class ByteReader {
public:
    ByteReader(BinaryFile& file, std::int64_t start) : file_(file), next_(start), buffer_(1 << 20) {}
    // Reads up to `count` bytes; fewer at the end of the file or on an error.
    int Read(std::uint8_t* out, int count) {
        int got = 0;
        while (got < count) {
            if (pos_ == fill_) {
                const std::int64_t n = file_.ReadAt(next_, buffer_.data(), buffer_.size());
                if (n <= 0) break;
                next_ += n;
                fill_ = n;
                pos_ = 0;
            }
            const int take = static_cast<int>(std::min<std::int64_t>(count - got, fill_ - pos_));
            std::copy_n(buffer_.data() + pos_, take, out + got);
            pos_ += take;
            got += take;
        }
        return got;
    }

private:
    BinaryFile& file_;
    std::int64_t next_;
    std::vector<std::uint8_t> buffer_;
    std::int64_t pos_ = 0;
    std::int64_t fill_ = 0;
};

std::vector<std::string> AskForFile(Host& host, const ReadSDPage& page) {
    FileDialogRequest open;
    open.Title = "Open 'DATA0.ORV' on SD card  ";
    open.Filter = "SD card files *.ORV|*.ORV|All files|*.*";
    open.InitialName = "DATA0.ORV";
    open.InitialFolder = page.LastCardFolder;
    return host.OpenFileDialog(open);
}

} // namespace

RegisteredGain BuiltInRegisteredGain() {
    return [](int n) { return LoggerGainTable::IsRegistered(n) ? BuiltInGainTable().GainOf(n) : -1; };
}

std::vector<std::string> SummaryText(const SDHeaderBlock& b, const RegisteredGain& gainOf) {
    std::vector<std::string> lines;
    const std::string tildes(31, '~');
    if (!b.HasSummary()) {
        lines.push_back("No settings summary present");
        lines.push_back(tildes);
        return lines;
    }
    lines.push_back("");
    const std::string digits = b.LoggerNumberDigits();
    const int n = b.LoggerNumber();
    lines.push_back("KELP number " + (digits.empty() ? std::string("0") : digits));
    const int layout = (n == 104 || n >= 125) ? 1 : 0;

    const std::int64_t d = b.OverallMinutes();
    lines.push_back("Overall minutes  \t" + DurationText(d));
    const std::int64_t f = std::int64_t{b.LoggingMinutesLessOne()} + 1;
    const std::int64_t blocks = b.BlocksLogged();
    if (d < 1) {
        lines.push_back(
            "No summary of logging found. Was the setup button pressed before removing the SD card?");
    } else {
        lines.push_back("Logging minutes  \t" + DurationText(f) + "  " + std::to_string(f * 100 / d) + "%");
        const auto first = static_cast<MinuteNumber>(ReadBE(b.Bytes.data(), 256, 4));
        if (first > 0)
            lines.push_back(DateTimeText(first) + " to " +
                            DateTimeText(static_cast<MinuteNumber>(ReadBE(b.Bytes.data(), 260, 4))));
        if (f > 3) lines.push_back("Av clicks/m \t" + std::to_string((blocks * 512 - 6 * f) / (10 * f)));
    }
    AddIf(lines, ClickLimitLine(b.Bytes[81]));
    const std::int64_t m = b.LimitMinutes();
    if (f > 100)
        lines.push_back("%mins reaching limit \t" + std::to_string(m * 100 / f));
    else
        lines.push_back("Mins reaching limit \t" + std::to_string(m));

    const int gain = SettingsLines(b, layout, lines);
    const int registered = (n > 0 && gainOf) ? gainOf(n) : -1;
    if (registered > 0 && registered != gain) {
        lines.push_back("\t!!! Warning !!!");
        lines.push_back("\tKELP operated at incorrect gain");
        lines.push_back("\tDo not re-use this SD card");
        lines.push_back("\tFiles with incorrect gain cannot");
        lines.push_back("\t  be used for train detection");
        lines.push_back("\t" + std::to_string(registered) + "/" + std::to_string(gain));
    }
    lines.push_back(tildes);
    lines.push_back("");
    return lines;
}

void ShowSummaryBtnClick(Host& host, ReadSDPage& page, const RegisteredGain& gainOf) {
    const auto chosen = AskForFile(host, page);
    if (chosen.empty() || chosen.front().empty()) return;
    const std::string& path = chosen.front();
    page.LastCardFolder = FolderOf(path);
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::Read)) {
        host.ShowMessage("DATA0.ORV not opened successfully");
        return;
    }
    if (!IsData0Name(ShortNameOf(path))) return;
    SDHeaderBlock& block = page.HeaderBuffer;
    block.Bytes.fill(0);
    if (file.ReadAt(0, block.Bytes.data(), block.Bytes.size()) < 0)
        host.ShowTimedMessage(Message2s, file.LastErrorText());
    if (!block.HasSummary()) {
        host.ShowMessage(
            "No logging summary present. This may be due to removing the SD card before pressing the "
            "setup button");
        return;
    }
    std::fill(block.Bytes.begin(), block.Bytes.begin() + 64, std::uint8_t{0});
    const auto lines = SummaryText(block, gainOf);
    page.SummaryList.insert(page.SummaryList.end(), lines.begin(), lines.end());
    host.StateChanged("ReadSD");
}

void ShowBlockBtnClick(Host& host, ReadSDPage& page) {
    long long number = 0;
    if (!ParseBoxNumber(page.BlockNumberText, number) || number <= 0) {
        page.BlockNumberText = "1";
        number = 1;
    }
    const auto chosen = AskForFile(host, page);
    if (chosen.empty() || chosen.front().empty()) return;
    const std::string& path = chosen.front();
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::Read)) {
        host.ShowMessage("file not opened successfully");
        return;
    }
    const std::int64_t size = file.Size();
    const long long offset = (number - 1) > (INT64_MAX / SDBlockSize) ? -1 : (number - 1) * SDBlockSize;
    if (offset < 0 || size < 0 || offset >= size) {
        page.SummaryList.push_back("Seek error reading file " + path);
        host.StateChanged("ReadSD");
        return;
    }
    std::uint8_t block[SDBlockSize];
    const std::int64_t n = file.ReadAt(offset, block, sizeof block);
    if (n < 0) {
        page.SummaryList.push_back("Read failed in file " + path);
    } else {
        for (std::int64_t i = 0; i < n; ++i)
            page.SummaryList.push_back(std::to_string(i) + "\t" + std::to_string(block[i]));
    }
    host.StateChanged("ReadSD");
}

void ReadDATAfileForCodeErrors(Host& host, ReadSDPage& page) {
    const auto chosen = AskForFile(host, page);
    if (chosen.empty() || chosen.front().empty()) return;
    const std::string& path = chosen.front();
    page.LastCardFolder = FolderOf(path);
    if (!HasOrvExtension(ShortNameOf(path))) return;
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::Read)) {
        host.ShowMessage("File " + path + "not opened successfully");
        return;
    }
    if (file.Size() < SmallestCheckedFile) return;

    ResultsPage& results = host.Results();
    const auto room = [&] { return results.Lines().size() < ResultLinesMax; };
    SDHeaderBlock header;
    if (file.ReadAt(0, header.Bytes.data(), header.Bytes.size()) != SDBlockSize)
        page.UploadList.push_back("Error reading header from DATA0 file: " + file.LastErrorText());

    ByteReader reader(file, SDBlockSize);
    std::int64_t position = SDBlockSize;
    std::int64_t minutes = 0, clicks = 0, errors = 0;
    std::int64_t lastTime = 0;
    bool timeHeading = false;
    std::uint8_t g[SDClickSize];
    int got = reader.Read(g, SDMarkerSize);
    position += got;
    while (got == SDMarkerSize) {
        if (g[0] == SDMarkerByte) {
            ++minutes;
            const std::int64_t number = ReadBE24(g + 1);
            if (number != minutes)
                results.Append(std::to_string(number) + "\t" + std::to_string(minutes) + "\tmins");
            if (minutes % 1000 == 0) {
                page.VerifyCaption = std::to_string(minutes);
                host.StateChanged("VerifyCaption");
            }
            lastTime = 0;
        } else {
            got = reader.Read(g + SDMarkerSize, SDClickSize - SDMarkerSize);
            position += got;
            if (got < SDClickSize - SDMarkerSize) break;
            ++clicks;
            const std::int64_t t = ReadBE24(g);
            const int n = g[3] + 1;
            const int z = std::min(8, n - 2) * 24 + (g[4] >> 5) * 256 + g[5];
            const std::string where = "\t" + std::to_string(position) + "\t" + std::to_string(minutes) + "\t";
            if (t < lastTime) {
                const std::string line =
                    std::to_string(clicks) + where + std::to_string(t) + "\t" + std::to_string(lastTime);
                if (room()) {
                    if (!timeHeading) results.Append("ClickN\tFilePosn\tminread\ttime\tlasttime");
                    timeHeading = true;
                    results.Append(line);
                }
                host.ShowMessage(line);
                ++errors;
            }
            lastTime = t;
            if (g[3] < 3) {
                if (room()) results.Append("ncyc" + where + std::to_string(n));
                ++errors;
            }
            int f = 0;
            if (z <= 0) {
                if (room()) results.Append("zsum zero ncyc" + where + std::to_string(n));
                ++errors;
            } else if (n >= 10) {
                f = 40'000 / z;
            } else {
                f = std::min(255, std::abs((n - 2) * 5000 / z));
            }
            if (f < 19 || f > 220) {
                if (room()) results.Append("avF" + where + std::to_string(f));
                ++errors;
            }
        }
        got = reader.Read(g, SDMarkerSize);
        position += got;
        if (got < SDMarkerSize) break;
        if (std::all_of(g, g + SDMarkerSize, [](std::uint8_t v) { return v == 0; })) {
            results.Append("End of 6 * zero");
            break;
        }
        if (std::all_of(g, g + SDMarkerSize, [](std::uint8_t v) { return v == 255; })) {
            results.Append("End of 6 * zero");
            results.Append("dropped clicks " + std::to_string(errors));
            break;
        }
    }
    page.VerifyCaption = std::to_string(minutes);
    host.StateChanged("VerifyCaption");
    if (!file.Close()) host.ShowTimedMessage(Message2s, file.LastErrorText());
    results.Append("dropped clicks " + std::to_string(errors));
    host.ShowTimedMessage(Message2s, "Done");
}

} // namespace kelp
