#pragma once
// The "Settings" page: one set of logger settings with the text of every box, the
// captions of the stepped settings and the page's labels, kept in Program for the
// whole run. The window shows this state and calls the handlers below when the user
// types or clicks; the command line calls the same handlers.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/host.h"
#include "core/program.h"
#include "settings/gain_table.h"
#include "settings/logger_settings.h"
#include "settings/settings_layout.h"

namespace kelp {

// The page's entry boxes.
enum class SettingsBox : int {
    TargetKELPNumber, // "Create settings for KELP number:"
    SwitchAngleFrom,
    SwitchAngleTo,
    StartDelay,
    Gain,
    Hysteresis,
    MinSPL,
    MaxSPL,
    StartSPL,
    BWThreshold,
    Stmin,
    Stmax,
    MinCycles,
    HRIntercept,
    LowBias,
    HighBias,
    AlertingkHz,
    TriggerClicks,
    TriggerSPL,
    TriggerkHzStart,
    TriggerMinCycles,
    TriggerkHzEnd,
    ShowAsKELPNumber, // "Show settings as for KELP number"
    Count
};
inline constexpr int SettingsBoxCount = static_cast<int>(SettingsBox::Count);

// What the page knows of a box: its caption, a short name for the command line, the
// text it starts with (and gets back when a text does not parse), the accepted values,
// and whether it is a detector setting (editable only in development mode).
struct SettingsBoxInfo {
    SettingsBox Box;
    const char* Caption;
    const char* Name;
    const char* DefaultText;
    int Min;
    int Max;
    bool Detector;
};
const std::array<SettingsBoxInfo, SettingsBoxCount>& SettingsBoxes();
const SettingsBoxInfo& InfoOf(SettingsBox box);
// A box by its short name or its caption (without regard to case, trailing blanks or colon).
std::optional<SettingsBox> SettingsBoxByName(std::string_view name);

struct SettingsPage {
    SettingsPage();

    LoggerSettings Settings; // the values behind the boxes
    std::array<std::string, SettingsBoxCount> Text{};
    std::array<bool, SettingsBoxCount> Enabled{};

    // Captions of the stepped settings and the trigger box.
    std::string MinutesOffText;
    std::string ClickLimitText;
    std::string FilterText;
    std::string AlertingText;
    std::string TriggerText;

    // Labels.
    std::string LoggerNumberLabel;
    std::string SourceLabel;
    std::string CardSizeLabel;
    std::string DelayLabel;
    std::string YearMadeLabel;
    std::string AngleFromLabel; // the switch angles in degrees beside their boxes
    std::string AngleToLabel;
    std::string SetupButtonCaption = "Change SETUP on SD card";

    // The first 512 bytes of the file read last, decoded again for "Show settings as for KELP number".
    std::array<std::uint8_t, SettingsBlockSize> HeaderBuffer{};
    bool HaveReadFile = false;

    // The folder of the last file chosen on an SD card; the card size is counted there.
    std::string CardFolder;
    // Registered gains: the built-in table with the user's registry file over it.
    LoggerGainTable Gains;
    std::string GainRegistryFile;

    int Value(SettingsBox box) const;
};

// The page, made with its defaults on first use; it also gives the program the
// registered gains (Program::RegisteredGain).
SettingsPage& SettingsPageOf(Program& program);
// At start: the page with its defaults shown and the registered gains installed.
void InstallLoggerSettings(Program& program);

// Puts every box text, caption and label that follows from the settings on the page,
// and enables the boxes as development mode and the layout allow.
void ShowSettingsOnPage(Program& program);

// "Create settings for KELP number:" changed.
void TargetKELPNumberEditChange(Program& program, Host& host, const std::string& text);
// Applies the defaults of logger number n to the page.
void TargetKELPNumberChange(Program& program, Host& host, int n);
// "Show low sensitivity porpoise defaults" and "Show low sensitivity dolphin defaults".
void LowSensHPBtnClick(Program& program, Host& host);
void LowSensDolBtnClick(Program& program, Host& host);

// Any other box changed: a text that is not a whole number within the box's limits puts
// the box's default text back.
void SettingsBoxChange(Program& program, SettingsBox box, const std::string& text);
// The value a box takes from a text: a whole number within the box's limits, or nothing.
std::optional<int> ParseSettingsBoxText(SettingsBox box, std::string_view text);
// Double-click: the box's default text back.
void RestoreSettingsBoxDefault(Program& program, SettingsBox box);

// "Setup File version " and "KELP version " choices.
void SetSettingsLayout(Program& program, int layout);
void SetLoggerVersion(Program& program, int version);
// Clicking a stepped caption, and the "Trigger" check box.
void StepMinutesOff(Program& program);
void StepClickLimit(Program& program);
void StepFilter(Program& program);
void StepAlerting(Program& program);
void SetTrigger(Program& program, bool on);
// The stepped settings set to a code directly (the command line; a code the page does not
// step through is refused with false).
bool SetMinutesOff(Program& program, int code);
bool SetClickLimit(Program& program, int code);
bool SetFilter(Program& program, int code);
void SetAlerting(Program& program, AlertingDevice state);

// The app and the download tell the page which file was last chosen on an SD card.
void NoteSDCardFile(Program& program, const std::string& path);

// Loads a user's gain registry over the built-in gains ("" returns to the built-in
// table). On failure the gains stay as they were and the reason is shown.
bool UseGainRegistry(Program& program, Host& host, const std::string& path);

// The writers behind "Create settings file" and "Change SETUP on SD card".
enum class SetupTarget { SettingsFile, SDCard };
// Returns true when the block was written.
bool RewriteSETUPfileBtnClick(Program& program, Host& host, SetupTarget target);

// Parts of the writer, for the window and the tests.
std::string ProposedSettingsFileName(const SettingsPage& page);
// Builds the block from the page, counting the card size (and showing it).
SettingsBlock BuildPageSettingsBlock(SettingsPage& page);

// Messages of the page.
std::string NotRegisteredMessage(int loggerNumber);
inline constexpr const char* GainRequiredMessage = "Gain value required";
inline constexpr const char* InvalidLoggerNumberMessage = "Please enter valid KELP number";

} // namespace kelp
