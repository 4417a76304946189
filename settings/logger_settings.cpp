#include "settings/logger_settings.h"

#include "core/codes.h"
#include "core/settings_area.h"
#include "settings/gain_table.h"

namespace kelp {

int SettingsLayoutFor(int loggerNumber) {
    if ((loggerNumber >= 1 && loggerNumber <= 103) || (loggerNumber >= 105 && loggerNumber <= 124)) return 0;
    return 1;
}

int LoggerVersionFor(int loggerNumber) {
    return loggerNumber > LastVersion0Logger ? 1 : 0;
}

void ApplyLoggerDefaults(LoggerSettings& s, int n, const LoggerGainTable& gains) {
    s.LoggerNumber = n;
    s.Alerting = AlertingOff;
    s.SwitchAngleFrom = 0;
    s.SwitchAngleTo = 110;
    s.StartDelay = 0;
    s.MinutesOff = 0;
    s.Trigger = false;
    s.ClickLimit = 2;
    s.HighPassFilter = 2;
    s.SettingsLayout = SettingsLayoutFor(n);
    s.LoggerVersion = LoggerVersionFor(n);
    s.Gain = gains.GainOf(n);
    // Detector settings by logger version.
    const bool v1 = s.LoggerVersion == 1;
    s.BWThreshold = v1 ? 22 : 30;
    s.MinSPL = v1 ? 3 : 1;
    s.MaxSPL = v1 ? 3 : 12;
    s.MinCycles = 3;
    s.StartSPL = 1;
    s.Hysteresis = 90;
    s.Stmax = 250;
    s.Stmin = 30;
    s.HRIntercept = v1 ? 3 : 0;
    s.LowBias = v1 ? 8 : 4;
    s.HighBias = v1 ? 50 : 255;
}

LoggerSettings DefaultsForLogger(int n) {
    LoggerSettings s;
    ApplyLoggerDefaults(s, n, BuiltInGainTable());
    return s;
}

namespace {

// What both low-sensitivity presets set after the logger's defaults.
void ApplyLowSensitivityCommon(LoggerSettings& s) {
    s.MinSPL = 5;
    s.StartSPL = 5;
    s.Hysteresis = 90;
    s.Stmax = 250;
    s.Stmin = 30;
    s.HRIntercept = 0;
    s.LowBias = 4;
    s.HighBias = 255;
    s.Alerting = AlertingOff;
    s.SwitchAngleFrom = 0;
    s.SwitchAngleTo = 110;
    s.StartDelay = 0;
    s.ClickLimit = 2;
    s.MinutesOff = 0;
    s.Trigger = false;
}

} // namespace

void ApplyPorpoisePreset(LoggerSettings& s, const LoggerGainTable& gains) {
    ApplyLoggerDefaults(s, s.LoggerNumber, gains);
    ApplyLowSensitivityCommon(s);
    s.HighPassFilter = 0;
    s.BWThreshold = 15;
    s.MaxSPL = 20;
    s.MinCycles = 6;
}

void ApplyDolphinPreset(LoggerSettings& s, const LoggerGainTable& gains) {
    ApplyLoggerDefaults(s, s.LoggerNumber, gains);
    ApplyLowSensitivityCommon(s);
    s.BWThreshold = 22;
    s.MaxSPL = 40;
    s.MinCycles = 3;
}

std::string MinutesOffCaption(int code) {
    switch (code) {
    case 0:
        return "Logging continuously";
    case 1:
        return "1 min ON, 1 min OFF";
    case 2:
        return "1 min ON, 2 mins OFF";
    case 4:
        return "1 min ON, 4 mins OFF";
    case 9:
        return "1 min ON, 9 mins OFF";
    default:
        return "";
    }
}

int NextMinutesOff(int code) {
    switch (code) {
    case 0:
        return 1;
    case 1:
        return 2;
    case 2:
        return 4;
    case 4:
        return 9;
    default:
        return 0;
    }
}

std::string ClickLimitCaption(int code, const ClickLimitWords& words) {
    if (code == 0 || code == 128) return words.NoLimit;
    const std::int64_t limit = MinuteClickLimitOf(code);
    return limit > 0 ? std::to_string(limit) : words.Unknown;
}

int NextClickLimit(int code) {
    if (code == 128) code = 0;
    return code >= 0 && code < 3 ? code + 1 : 0;
}

std::string FilterCaption(int code) {
    switch (code) {
    case 0:
        return "80kHz";
    case 1:
        return "40kHz";
    case 2:
        return "20kHz";
    case 3:
        return "10kHz";
    default:
        return "";
    }
}

int NextFilter(int code) {
    return code >= 0 && code < 3 ? code + 1 : 0;
}

std::string AlertingCaption(AlertingDevice state) {
    switch (state) {
    case AlertingHighPower:
        return "High power";
    case AlertingLowPower:
        return "Low power";
    default:
        return "OFF";
    }
}

AlertingDevice NextAlerting(AlertingDevice state) {
    switch (state) {
    case AlertingOff:
        return AlertingHighPower;
    case AlertingHighPower:
        return AlertingLowPower;
    default:
        return AlertingOff;
    }
}

std::string TriggerCaption(bool on) {
    return on ? "ON (if present)" : "OFF";
}

std::string SwitchAngleLabel(int code) {
    return std::to_string(AngleCodeToDegrees(code)) + "deg  ";
}

} // namespace kelp
