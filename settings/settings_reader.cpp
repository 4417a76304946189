#include "settings/settings_reader.h"

#include <algorithm>
#include <charconv>
#include <cstring>

#include "core/file_io.h"
#include "core/header.h"

namespace kelp {

namespace {

std::size_t Index(SettingsBox box) {
    return static_cast<std::size_t>(box);
}

DataFileHeader HeaderOf(const SettingsPage& page) {
    DataFileHeader header;
    std::memcpy(header.Bytes.data(), page.HeaderBuffer.data(), header.Bytes.size());
    return header;
}

bool IsMinutesOffCode(int code) {
    return code == 0 || code == 1 || code == 2 || code == 4 || code == 9;
}

// The boxes whose values every layout carries, and those only layout 1 carries.
constexpr SettingsBox CommonBoxes[] = {SettingsBox::SwitchAngleFrom, SettingsBox::SwitchAngleTo,
                                       SettingsBox::StartDelay,      SettingsBox::Gain,
                                       SettingsBox::Hysteresis,      SettingsBox::Stmin,
                                       SettingsBox::Stmax,           SettingsBox::StartSPL,
                                       SettingsBox::MinSPL,          SettingsBox::MaxSPL,
                                       SettingsBox::BWThreshold,     SettingsBox::MinCycles};
constexpr SettingsBox Layout1Boxes[] = {SettingsBox::HRIntercept, SettingsBox::LowBias, SettingsBox::HighBias,
                                        SettingsBox::AlertingkHz};

} // namespace

std::string ReadMinutesOffCaption(int code) {
    return code == 0 ? "ON continuously" : MinutesOffCaption(code);
}

int LoggerNumberOfSettings(const std::uint8_t* buffer, const std::string& shortName) {
    DataFileHeader header;
    std::memcpy(header.Bytes.data(), buffer, header.Bytes.size());
    const std::string digits = header.LoggerNumberDigits();
    if (!digits.empty()) return std::stoi(digits);
    return shortName == "SETUP.ORV" ? header.U(126, 2) : 0;
}

void DecodeSettings(Program& program, Host& host, int n) {
    auto& page = SettingsPageOf(program);
    auto& s = page.Settings;
    const DataFileHeader header = HeaderOf(page);

    s.LoggerVersion = header.LoggerVersion();
    const int layout = SettingsLayoutFor(n);
    SetSettingsLayout(program, layout);
    const std::string year = header.YearMadeText();
    page.YearMadeLabel = year.empty() ? "" : "Made in " + year;

    const SettingsAreaReading reading = ReadSettingsArea(header.Settings(), layout);
    ApplySettingsReading(s, reading);
    page.ClickLimitText = ClickLimitCaption(s.ClickLimit, ReadClickLimitWords);
    if (const auto caption = FilterCaption(s.HighPassFilter); !caption.empty()) page.FilterText = caption;
    page.DelayLabel = std::to_string(s.StartDelay) + " mins to start";
    page.CardSizeLabel = CardSizeText(reading.CardSizeBlocks, layout == 0);

    for (SettingsBox box : CommonBoxes) page.Text[Index(box)] = std::to_string(page.Value(box));
    if (layout == 1) {
        for (SettingsBox box : Layout1Boxes) page.Text[Index(box)] = std::to_string(page.Value(box));
        page.AlertingText = AlertingCaption(s.Alerting);
    }
    page.AngleFromLabel = SwitchAngleLabel(s.SwitchAngleFrom);
    page.AngleToLabel = SwitchAngleLabel(s.SwitchAngleTo);

    if (IsMinutesOffCode(s.MinutesOff)) {
        page.MinutesOffText = ReadMinutesOffCaption(s.MinutesOff);
    } else {
        page.MinutesOffText = "error.. adopting default value..";
        host.StateChanged("settings");
        host.Wait(Message3s);
        s.MinutesOff = 0;
        page.MinutesOffText = ReadMinutesOffCaption(0);
    }
    host.StateChanged("settings");
}

bool ReadSettingsFromFile(Program& program, Host& host, const std::string& path) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::Read)) return false;
    std::array<std::uint8_t, SettingsBlockSize> buffer{};
    const std::int64_t size = file.Size();
    const auto wanted = static_cast<std::size_t>(std::clamp<std::int64_t>(size, 0, SettingsBlockSize));
    if (file.ReadAt(0, buffer.data(), wanted) < 0) return false;
    file.Close();

    auto& page = SettingsPageOf(program);
    page.HeaderBuffer = buffer;
    page.HaveReadFile = true;
    TargetKELPNumberEditChange(program, host, "0");
    const std::string shortName = ShortNameOf(path);
    page.SourceLabel = "From " + shortName;
    const int n = LoggerNumberOfSettings(buffer.data(), shortName);
    page.LoggerNumberLabel = std::to_string(n);
    DecodeSettings(program, host, n);
    if (page.Settings.SettingsLayout == 1 && n < 125 && n != 104)
        host.ShowTimedMessage(Message5s, NoLoggerNumberMessage);
    return true;
}

void ReadSettingsBtnClick(Program& program, Host& host) {
    FileDialogRequest request;
    request.Title = "Show settings from a file";
    request.Filter = "*.*";
    const auto chosen = host.OpenFileDialog(request);
    if (!chosen.empty()) ReadSettingsFromFile(program, host, chosen.front());
}

void ShowSettingsAsForChange(Program& program, Host& host, const std::string& text) {
    auto& page = SettingsPageOf(program);
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (text.empty() || ec != std::errc() || ptr != end) {
        page.Text[Index(SettingsBox::ShowAsKELPNumber)] = "0";
        host.StateChanged("settings");
        return;
    }
    page.Text[Index(SettingsBox::ShowAsKELPNumber)] = text;
    if (page.HaveReadFile) DecodeSettings(program, host, std::max(1, value));
}

std::vector<std::pair<std::string, std::string>> ShownSettings(const SettingsPage& page) {
    std::vector<std::pair<std::string, std::string>> lines;
    const auto& s = page.Settings;
    auto box = [&](SettingsBox b) { lines.emplace_back(InfoOf(b).Caption, page.Text[Index(b)]); };
    lines.emplace_back("Source", page.SourceLabel);
    lines.emplace_back("KELP number", page.LoggerNumberLabel);
    lines.emplace_back("KELP version ", std::to_string(s.LoggerVersion));
    lines.emplace_back("Setup File version ", std::to_string(s.SettingsLayout));
    lines.emplace_back("Year made", page.YearMadeLabel);
    lines.emplace_back("Card size", page.CardSizeLabel);
    box(SettingsBox::SwitchAngleFrom);
    box(SettingsBox::SwitchAngleTo);
    lines.emplace_back(InfoOf(SettingsBox::StartDelay).Caption, page.DelayLabel);
    lines.emplace_back("Continuous?", page.MinutesOffText);
    lines.emplace_back("Limit on clicks logged in any min", page.ClickLimitText);
    lines.emplace_back("High pass filter ", page.FilterText);
    for (SettingsBox b : {SettingsBox::Gain, SettingsBox::Hysteresis, SettingsBox::MinSPL,
                          SettingsBox::MaxSPL, SettingsBox::StartSPL, SettingsBox::BWThreshold,
                          SettingsBox::Stmin, SettingsBox::Stmax, SettingsBox::MinCycles})
        box(b);
    if (s.SettingsLayout == 1) {
        box(SettingsBox::HRIntercept);
        box(SettingsBox::LowBias);
        box(SettingsBox::HighBias);
        lines.emplace_back("Alerting device", page.AlertingText);
        box(SettingsBox::AlertingkHz);
    }
    return lines;
}

} // namespace kelp
