#pragma once
// The logger's operating settings: one set as the "Settings" page holds it, the
// defaults that every logger number gets, the low-sensitivity presets, and the
// captions that the stepped settings show.
#include <cstdint>
#include <string>

namespace kelp {

class LoggerGainTable;

// State of the alerting device; clicking its caption steps OFF -> High power -> Low power -> OFF.
enum AlertingDevice : int { AlertingOff = 0, AlertingHighPower = 1, AlertingLowPower = 2 };

// One set of logger settings. Every value is what its box holds; the writers take the
// low byte (or bytes) of it. Defaults are the page defaults shown before any logger
// number is entered.
struct LoggerSettings {
    int LoggerNumber = 0;    // 16 bits; decides the layout, the version and all defaults
    int SettingsLayout = 1;  // "Setup File version ": byte layout 0 or 1 of the settings area
    int LoggerVersion = 1;   // "KELP version ": 1 for logger numbers above 488
    int SwitchAngleFrom = 0; // raw tilt codes between which the logger is ON
    int SwitchAngleTo = 110;
    int StartDelay = 0;     // minutes, 16 bits
    int MinutesOff = 0;     // code 0, 1, 2, 4 or 9 minutes OFF after every minute ON
    int ClickLimit = 2;     // code 0 "No limit", 1 "1024", 2 "4096", 3 "65536" (128 read back as no limit)
    int HighPassFilter = 2; // code 0 "80kHz", 1 "40kHz", 2 "20kHz", 3 "10kHz"
    int Gain = 100;         // 0: no gain registered, nothing may be written
    int Hysteresis = 90;
    int MinSPL = 1;
    int MaxSPL = 12;
    int StartSPL = 1;
    int BWThreshold = 30;
    int Stmin = 30;  // shortest accepted click period, ticks of 0.2 us
    int Stmax = 250; // longest accepted click period
    int MinCycles = 3;
    int HRIntercept = 0; // layout 1 only
    int LowBias = 0;     // layout 1 only
    int HighBias = 255;  // layout 1 only
    AlertingDevice Alerting = AlertingOff;
    int AlertingkHz = 120; // stored on the card in units of 10 kHz
    bool Trigger = false;
    int TriggerClicks = 5; // "N of clicks", 16 bits
    int TriggerSPL = 200;
    int TriggerkHzStart = 100;
    int TriggerMinCycles = 3;
    int TriggerkHzEnd = 80;

    friend bool operator==(const LoggerSettings&, const LoggerSettings&) = default;
};

// The logger numbers that the program knows (1..2,000); numbers above are not registered.
inline constexpr int LoggerGainTableLength = 2000;
inline constexpr int LastVersion0Logger = 488;

// Settings layout written for a logger number: layout 0 for 1..103 and 105..124,
// layout 1 for 104, for 125 and above, and for 0.
int SettingsLayoutFor(int loggerNumber);
// Logger version: 1 above logger 488, else 0.
int LoggerVersionFor(int loggerNumber);

// The defaults that entering logger number `n` applies (everything but the page's labels):
// alerting OFF, switch angle 0..110, no start delay, logging continuously, trigger off,
// click limit "4096", filter "20kHz", layout and version by the number, the registered
// gain, and the detector settings of the logger version.
void ApplyLoggerDefaults(LoggerSettings& settings, int n, const LoggerGainTable& gains);
// The same as a fresh set, with the compiled-in gains.
LoggerSettings DefaultsForLogger(int n);

// The low-sensitivity presets: the defaults of the set's logger number, then the preset's values.
void ApplyPorpoisePreset(LoggerSettings& settings, const LoggerGainTable& gains);
void ApplyDolphinPreset(LoggerSettings& settings, const LoggerGainTable& gains);

// The words of a click limit caption where the code gives no number: no limit (codes 0 and
// 128) and an unknown code. The settings page says "No limit" and nothing; a reading of the
// settings from a file says "no limit" and "undetermined".
struct ClickLimitWords {
    const char* NoLimit;
    const char* Unknown;
};
inline constexpr ClickLimitWords PageClickLimitWords{"No limit", ""};
inline constexpr ClickLimitWords ReadClickLimitWords{"no limit", "undetermined"};

// Captions of the stepped settings on the page, and the step taken by clicking them.
std::string MinutesOffCaption(int code); // "Logging continuously", "1 min ON, 1 min OFF", ...
int NextMinutesOff(int code);            // 0 -> 1 -> 2 -> 4 -> 9 -> 0
std::string ClickLimitCaption(int code, const ClickLimitWords& words = PageClickLimitWords);
int NextClickLimit(int code);                      // 0 -> 1 -> 2 -> 3 -> 0 (128 counts as 0)
std::string FilterCaption(int code);               // "80kHz", "40kHz", "20kHz", "10kHz"
int NextFilter(int code);                          // 0 -> 1 -> 2 -> 3 -> 0
std::string AlertingCaption(AlertingDevice state); // "OFF", "High power", "Low power"
AlertingDevice NextAlerting(AlertingDevice state);
std::string TriggerCaption(bool on); // "ON (if present)" or "OFF"

// A switch angle code shown in degrees beside its box: degrees + "deg  ".
std::string SwitchAngleLabel(int code);

} // namespace kelp
