#include "settings/settings_layout.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <system_error>

#include "core/bytes.h"
#include "core/time.h"

namespace kelp {

namespace {

// The area is addressed by block offsets (64..127), as the layouts are described.
class Area {
public:
    explicit Area(std::uint8_t* area) : area_(area) {}
    void Byte(int offset, int value) {
        area_[offset - SettingsAreaOffset] = static_cast<std::uint8_t>(value & 0xFF);
    }
    void Bytes(int offset, int width, std::uint32_t value) {
        WriteBE(area_, static_cast<std::size_t>(offset - SettingsAreaOffset), width, value);
    }

private:
    std::uint8_t* area_;
};

// A stored code of 0 would read as "not set" on the logger; 0 is written as 128 instead.
int ZeroAs128(int value) {
    return (value & 0xFF) == 0 ? 128 : value;
}

// Trigger frequency as the period byte of layout 0: 5000 div kHz, in ticks of 0.2 us.
// Below 20 kHz the period no longer fits a byte; the longest period is written then.
int TriggerPeriod(int kHz) {
    return std::min(255, 5000 / std::max(1, kHz));
}

// The alerting device's frequency byte: kHz div 10, plus 128 at "High power".
int AlertingFrequencyByte(const LoggerSettings& s) {
    return (s.AlertingkHz / 10 + (s.Alerting == AlertingHighPower ? 128 : 0)) & 0xFF;
}

void WriteLayout0(Area a, const LoggerSettings& s, std::uint32_t cardSize) {
    a.Byte(64, s.Gain);
    a.Byte(65, s.Hysteresis);
    a.Byte(66, s.SwitchAngleFrom < 40 ? 0 : s.SwitchAngleFrom);
    a.Byte(67, s.SwitchAngleTo > 215 ? 255 : s.SwitchAngleTo);
    a.Byte(68, s.MinutesOff);
    a.Bytes(70, 2, static_cast<std::uint32_t>(s.StartDelay));
    a.Bytes(72, 3, 0xFFFFFF);
    a.Bytes(75, 4, cardSize);
    a.Byte(80, ZeroAs128(s.HighPassFilter));
    a.Byte(81, ZeroAs128(s.ClickLimit));
    a.Byte(82, std::max(1, s.MinSPL));
    a.Byte(83, std::max(1, s.MaxSPL));
    a.Byte(84, std::max(1, s.StartSPL));
    a.Byte(85, std::max(1, s.BWThreshold));
    a.Byte(86, std::max(20, s.Stmin));
    a.Byte(87, std::max(30, s.Stmax));
    a.Byte(88, s.MinCycles);
    a.Byte(89, TriggerPeriod(s.TriggerkHzStart));
    a.Byte(90, TriggerPeriod(s.TriggerkHzEnd));
    a.Byte(91, s.Trigger ? s.TriggerClicks : 0);
    a.Byte(92, s.Alerting == AlertingOff ? 0 : 1);
    a.Byte(93, AlertingFrequencyByte(s));
}

void WriteLayout1(Area a, const LoggerSettings& s, std::uint32_t cardSize) {
    a.Byte(64, s.SwitchAngleFrom < 40 ? 0 : s.SwitchAngleFrom);
    a.Byte(65, s.SwitchAngleTo > 215 ? 255 : s.SwitchAngleTo);
    a.Byte(66, s.MinutesOff);
    a.Bytes(68, 2, static_cast<std::uint32_t>(s.StartDelay));
    a.Bytes(70, 3, 0xFFFFFF);
    a.Bytes(73, 4, cardSize);
    a.Byte(77, s.Gain);
    a.Byte(78, std::max(20, s.Hysteresis));
    a.Byte(79, ZeroAs128(s.HighPassFilter));
    a.Byte(81, ZeroAs128(s.ClickLimit));
    a.Byte(82, std::max(20, s.Stmin));
    a.Byte(83, std::max(30, s.Stmax));
    a.Byte(84, std::max(1, s.StartSPL));
    a.Byte(85, std::max(1, s.MinSPL));
    a.Byte(86, ZeroAs128(s.HRIntercept));
    a.Byte(87, ZeroAs128(s.BWThreshold));
    a.Byte(88, ZeroAs128(s.MinCycles));
    a.Byte(89, std::max(1, s.MaxSPL));
    a.Byte(90, s.LowBias == 128 ? 4 : s.LowBias);
    a.Byte(91, std::max(50, s.HighBias));
    a.Byte(92, s.Alerting == AlertingOff ? 0 : AlertingFrequencyByte(s));
    a.Byte(93, s.TriggerSPL);
    a.Byte(94, s.TriggerMinCycles);
    a.Byte(95, s.TriggerkHzStart);
    a.Byte(96, s.TriggerkHzEnd);
    // A trigger that is off carries no click count at all.
    a.Bytes(97, 2, s.Trigger ? static_cast<std::uint32_t>(s.TriggerClicks) : 0);
}

} // namespace

void WriteSettingsArea(std::uint8_t* area, const LoggerSettings& s, int layout,
                       std::uint32_t cardSizeBlocks) {
    std::fill(area, area + SettingsAreaSize, std::uint8_t{0});
    Area a(area);
    if (layout == 0)
        WriteLayout0(a, s, cardSizeBlocks);
    else
        WriteLayout1(a, s, cardSizeBlocks);
    a.Bytes(126, 2, static_cast<std::uint32_t>(s.LoggerNumber));
}

SettingsBlock BuildSettingsBlock(const LoggerSettings& s, std::uint32_t cardSizeBlocks) {
    SettingsBlock block{};
    std::copy(SettingsMagic, SettingsMagic + SettingsMagicLength, block.begin());
    block[BlockLoggerVersionOffset] = static_cast<std::uint8_t>(s.LoggerVersion & 0xFF);
    WriteSettingsArea(block.data() + SettingsAreaOffset, s, cardSizeBlocks);
    return block;
}

void ApplyAlertingByte(LoggerSettings& s, int byte) {
    if (byte == 0) {
        s.Alerting = AlertingOff;
    } else if (byte >= 2 && byte <= 142) {
        s.AlertingkHz = (byte & 127) * 10;
        s.Alerting = byte > 128 ? AlertingHighPower : AlertingLowPower;
    }
}

void ApplySettingsReading(LoggerSettings& s, const SettingsAreaReading& r) {
    s.SwitchAngleFrom = r.SwitchAngleFrom;
    s.SwitchAngleTo = r.SwitchAngleTo;
    s.MinutesOff = r.MinutesOff;
    s.StartDelay = r.StartDelay;
    s.HighPassFilter = r.HighPassFilter;
    s.ClickLimit = r.ClickLimit;
    s.Gain = r.Gain;
    s.Hysteresis = r.Hysteresis;
    s.Stmin = r.Stmin;
    s.Stmax = r.Stmax;
    s.StartSPL = r.StartSPL;
    s.MinSPL = r.MinSPL;
    s.MaxSPL = r.MaxSPL;
    s.BWThreshold = r.BWThreshold;
    s.MinCycles = r.MinCycles;
    if (r.Layout == 1) {
        s.HRIntercept = r.HRIntercept;
        s.LowBias = r.LowBias;
        s.HighBias = r.HighBias;
        ApplyAlertingByte(s, r.AlertingByte);
    }
}

std::string CardSizeText(std::int64_t blocks, bool wideGap) {
    return std::to_string(blocks / 2'097'152 + 1) + (wideGap ? "GB    (" : "GB  (") + ThousandsText(blocks) +
           " blocks)";
}

std::int64_t CardSizeBlocks(const std::string& folder) {
    std::int64_t blocks = 0;
    if (!folder.empty()) {
        // Card folders may be mounted with lower-case names; names are matched without regard to case.
        std::map<std::string, std::filesystem::path> files;
        std::error_code ec;
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            std::string name = it->path().filename().string();
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            files.emplace(name, it->path());
        }
        for (int i = 0; i <= 31; ++i) {
            const auto found = files.find("DATA" + std::to_string(i) + ".ORV");
            if (found == files.end()) break;
            std::error_code sizeError;
            const auto size = std::filesystem::file_size(found->second, sizeError);
            if (sizeError) break;
            blocks += static_cast<std::int64_t>(size / 512);
        }
    }
    return std::max(blocks - 33, MinimumCardSizeBlocks);
}

} // namespace kelp
