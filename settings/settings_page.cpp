#include "settings/settings_page.h"

#include <algorithm>
#include <cctype>
#include <charconv>

#include "core/file_io.h"
#include "core/header.h"
#include "settings/settings_files.h"

namespace kelp {

namespace {

using B = SettingsBox;

const std::array<SettingsBoxInfo, SettingsBoxCount> BoxTable = {{
    {B::TargetKELPNumber, "Create settings for KELP number:", "logger", "0", 0, 99999, false},
    {B::SwitchAngleFrom, "from", "from", "0", 0, 255, false},
    {B::SwitchAngleTo, "to", "to", "110", 0, 255, false},
    {B::StartDelay, "Delay start by  .. mins", "delay", "0", 0, 65535, false},
    {B::Gain, "Gain (fixed)", "gain", "100", 0, 255, true},
    {B::Hysteresis, "Hysteresis", "hysteresis", "90", 0, 255, true},
    {B::MinSPL, "Min SPL", "min-spl", "1", 0, 255, true},
    {B::MaxSPL, "Max SPL", "max-spl", "12", 0, 255, true},
    {B::StartSPL, "stSPL", "start-spl", "1", 0, 255, true},
    {B::BWThreshold, "BW threshold", "bw-threshold", "30", 0, 255, true},
    {B::Stmin, "Stmin", "stmin", "30", 0, 255, true},
    {B::Stmax, "Stmax", "stmax", "250", 0, 255, true},
    {B::MinCycles, "Min duration /F", "min-duration", "3", 0, 255, true},
    {B::HRIntercept, "HRintercept", "hr-intercept", "0", 0, 255, true},
    {B::LowBias, "Low bias", "low-bias", "0", 0, 255, true},
    {B::HighBias, "High bias", "high-bias", "255", 0, 255, true},
    {B::AlertingkHz, "Alerting device kHz", "alerting-khz", "120", 0, 1270, false},
    {B::TriggerClicks, "N of clicks", "trigger-clicks", "5", 0, 65535, false},
    {B::TriggerSPL, "SPL", "trigger-spl", "200", 0, 255, false},
    {B::TriggerkHzStart, "kHz start", "trigger-khz-start", "100", 0, 255, false},
    {B::TriggerMinCycles, "Min cycles", "trigger-min-cycles", "3", 0, 255, false},
    {B::TriggerkHzEnd, "kHz end", "trigger-khz-end", "80", 0, 255, false},
    {B::ShowAsKELPNumber, "Show settings as for KELP number", "as-logger", "0", 0, 99999, false},
}};

std::size_t Index(SettingsBox box) {
    return static_cast<std::size_t>(box);
}

// The setting behind a box (the two logger number boxes of reading have none but the first).
int* ValueOf(LoggerSettings& s, SettingsBox box) {
    switch (box) {
    case B::TargetKELPNumber:
        return &s.LoggerNumber;
    case B::SwitchAngleFrom:
        return &s.SwitchAngleFrom;
    case B::SwitchAngleTo:
        return &s.SwitchAngleTo;
    case B::StartDelay:
        return &s.StartDelay;
    case B::Gain:
        return &s.Gain;
    case B::Hysteresis:
        return &s.Hysteresis;
    case B::MinSPL:
        return &s.MinSPL;
    case B::MaxSPL:
        return &s.MaxSPL;
    case B::StartSPL:
        return &s.StartSPL;
    case B::BWThreshold:
        return &s.BWThreshold;
    case B::Stmin:
        return &s.Stmin;
    case B::Stmax:
        return &s.Stmax;
    case B::MinCycles:
        return &s.MinCycles;
    case B::HRIntercept:
        return &s.HRIntercept;
    case B::LowBias:
        return &s.LowBias;
    case B::HighBias:
        return &s.HighBias;
    case B::AlertingkHz:
        return &s.AlertingkHz;
    case B::TriggerClicks:
        return &s.TriggerClicks;
    case B::TriggerSPL:
        return &s.TriggerSPL;
    case B::TriggerkHzStart:
        return &s.TriggerkHzStart;
    case B::TriggerMinCycles:
        return &s.TriggerMinCycles;
    case B::TriggerkHzEnd:
        return &s.TriggerkHzEnd;
    default:
        return nullptr;
    }
}

// A whole decimal number (digits only, as an edit box takes them).
std::optional<int> ParseDigits(std::string_view text, int maxDigits) {
    if (text.empty() || static_cast<int>(text.size()) > maxDigits) return std::nullopt;
    int value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || text.front() == '-' || text.front() == '+') return std::nullopt;
    return value;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!out.empty() && (out.back() == ' ' || out.back() == ':')) out.pop_back();
    return out;
}

bool IsLayout1Only(SettingsBox box) {
    return box == B::HRIntercept || box == B::LowBias || box == B::HighBias;
}

void ShowAngleLabels(SettingsPage& page) {
    page.AngleFromLabel = SwitchAngleLabel(page.Settings.SwitchAngleFrom);
    page.AngleToLabel = SwitchAngleLabel(page.Settings.SwitchAngleTo);
}

void ShowEnabled(SettingsPage& page, bool development) {
    for (const auto& info : SettingsBoxes()) {
        bool on = !info.Detector || development;
        if (IsLayout1Only(info.Box)) on = development && page.Settings.SettingsLayout == 1;
        page.Enabled[Index(info.Box)] = on;
    }
}

} // namespace

const std::array<SettingsBoxInfo, SettingsBoxCount>& SettingsBoxes() {
    return BoxTable;
}

const SettingsBoxInfo& InfoOf(SettingsBox box) {
    return BoxTable[Index(box)];
}

std::optional<int> ParseSettingsBoxText(SettingsBox box, std::string_view text) {
    const auto& info = InfoOf(box);
    const auto value = ParseDigits(text, 9);
    if (!value || *value < info.Min || *value > info.Max) return std::nullopt;
    return value;
}

std::optional<SettingsBox> SettingsBoxByName(std::string_view name) {
    const std::string wanted = Lower(name);
    for (const auto& info : BoxTable)
        if (wanted == info.Name || wanted == Lower(info.Caption)) return info.Box;
    return std::nullopt;
}

SettingsPage::SettingsPage() : Gains(BuiltInGainTable()) {
    for (const auto& info : BoxTable) Text[Index(info.Box)] = info.DefaultText;
    MinutesOffText = MinutesOffCaption(Settings.MinutesOff);
    ClickLimitText = ClickLimitCaption(Settings.ClickLimit);
    FilterText = FilterCaption(Settings.HighPassFilter);
    AlertingText = AlertingCaption(Settings.Alerting);
    TriggerText = TriggerCaption(Settings.Trigger);
    ShowAngleLabels(*this);
    ShowEnabled(*this, false);
}

int SettingsPage::Value(SettingsBox box) const {
    if (box == B::ShowAsKELPNumber) return ParseDigits(Text[Index(box)], 9).value_or(0);
    LoggerSettings copy = Settings;
    return *ValueOf(copy, box);
}

SettingsPage& SettingsPageOf(Program& program) {
    auto& page = program.State<SettingsPage>();
    if (!program.RegisteredGain) {
        // The file summaries compare a file's gain with the registered one.
        const SettingsPage* registered = &page;
        program.RegisteredGain = [registered](int n) { return registered->Gains.GainOf(n); };
    }
    return page;
}

void InstallLoggerSettings(Program& program) {
    SettingsPageOf(program);
    ShowSettingsOnPage(program);
}

void ShowSettingsOnPage(Program& program) {
    auto& page = SettingsPageOf(program);
    for (const auto& info : BoxTable)
        if (info.Box != B::ShowAsKELPNumber)
            page.Text[Index(info.Box)] = std::to_string(page.Value(info.Box));
    page.MinutesOffText = MinutesOffCaption(page.Settings.MinutesOff);
    page.ClickLimitText = ClickLimitCaption(page.Settings.ClickLimit);
    if (const auto filter = FilterCaption(page.Settings.HighPassFilter); !filter.empty())
        page.FilterText = filter;
    page.AlertingText = AlertingCaption(page.Settings.Alerting);
    page.TriggerText = TriggerCaption(page.Settings.Trigger);
    ShowAngleLabels(page);
    ShowEnabled(page, program.Options.DevelopmentMode);
}

std::string NotRegisteredMessage(int loggerNumber) {
    return "KELP number " + std::to_string(loggerNumber) +
           " not registered.  Please download the latest version of KELP.exe";
}

void TargetKELPNumberEditChange(Program& program, Host& host, const std::string& text) {
    auto& page = SettingsPageOf(program);
    page.LoggerNumberLabel.clear();
    page.SourceLabel.clear();
    const auto n = ParseDigits(text, 5);
    if (!n) {
        page.Text[Index(B::TargetKELPNumber)] = "0";
        page.Settings.LoggerNumber = 0;
        host.StateChanged("settings");
        return;
    }
    page.Text[Index(B::TargetKELPNumber)] = text;
    page.Settings.LoggerNumber = *n;
    if (*n > LoggerGainTable::Length) {
        host.ShowTimedMessage(Message3s, NotRegisteredMessage(*n));
    } else if (*n >= 1) {
        TargetKELPNumberChange(program, host, *n);
        return;
    }
    host.StateChanged("settings");
}

void TargetKELPNumberChange(Program& program, Host& host, int n) {
    auto& page = SettingsPageOf(program);
    page.CardSizeLabel.clear();
    page.SourceLabel.clear();
    page.DelayLabel.clear();
    const std::string typed = page.Text[Index(B::TargetKELPNumber)];
    ApplyLoggerDefaults(page.Settings, n, page.Gains);
    ShowSettingsOnPage(program);
    if (ParseDigits(typed, 5) == n) page.Text[Index(B::TargetKELPNumber)] = typed;
    host.StateChanged("settings");
}

namespace {

void ApplyPreset(Program& program, Host& host, bool porpoise) {
    auto& page = SettingsPageOf(program);
    if (page.Settings.LoggerNumber == 0)
        host.ShowTimedMessage(Message3s, porpoise
                                             ? "Please enter the KELP number in 'Create settings for KELP "
                                               "number' to set the file structure version and gain"
                                             : "Please enter the KELP number in 'Create settings for KELP "
                                               "number' and then repeat this");
    const std::string typed = page.Text[Index(B::TargetKELPNumber)];
    if (porpoise)
        ApplyPorpoisePreset(page.Settings, page.Gains);
    else
        ApplyDolphinPreset(page.Settings, page.Gains);
    page.CardSizeLabel.clear();
    page.DelayLabel.clear();
    ShowSettingsOnPage(program);
    page.Text[Index(B::TargetKELPNumber)] = typed;
    host.StateChanged("settings");
}

} // namespace

void LowSensHPBtnClick(Program& program, Host& host) {
    ApplyPreset(program, host, true);
}

void LowSensDolBtnClick(Program& program, Host& host) {
    ApplyPreset(program, host, false);
}

void SettingsBoxChange(Program& program, SettingsBox box, const std::string& text) {
    auto& page = SettingsPageOf(program);
    if (box == B::TargetKELPNumber || box == B::ShowAsKELPNumber) return; // their own handlers
    const auto value = ParseSettingsBoxText(box, text);
    page.Text[Index(box)] = value ? text : InfoOf(box).DefaultText;
    *ValueOf(page.Settings, box) = value ? *value : *ParseSettingsBoxText(box, InfoOf(box).DefaultText);
    if (box == B::SwitchAngleFrom || box == B::SwitchAngleTo) ShowAngleLabels(page);
}

void RestoreSettingsBoxDefault(Program& program, SettingsBox box) {
    SettingsBoxChange(program, box, InfoOf(box).DefaultText);
}

void SetSettingsLayout(Program& program, int layout) {
    auto& page = SettingsPageOf(program);
    page.Settings.SettingsLayout = layout == 0 ? 0 : 1;
    ShowEnabled(page, program.Options.DevelopmentMode);
}

void SetLoggerVersion(Program& program, int version) {
    SettingsPageOf(program).Settings.LoggerVersion = version == 0 ? 0 : 1;
}

void StepMinutesOff(Program& program) {
    auto& page = SettingsPageOf(program);
    page.Settings.MinutesOff = NextMinutesOff(page.Settings.MinutesOff);
    page.MinutesOffText = MinutesOffCaption(page.Settings.MinutesOff);
}

void StepClickLimit(Program& program) {
    auto& page = SettingsPageOf(program);
    page.Settings.ClickLimit = NextClickLimit(page.Settings.ClickLimit);
    page.ClickLimitText = ClickLimitCaption(page.Settings.ClickLimit);
}

void StepFilter(Program& program) {
    auto& page = SettingsPageOf(program);
    page.Settings.HighPassFilter = NextFilter(page.Settings.HighPassFilter);
    page.FilterText = FilterCaption(page.Settings.HighPassFilter);
}

void StepAlerting(Program& program) {
    auto& page = SettingsPageOf(program);
    page.Settings.Alerting = NextAlerting(page.Settings.Alerting);
    page.AlertingText = AlertingCaption(page.Settings.Alerting);
}

void SetTrigger(Program& program, bool on) {
    auto& page = SettingsPageOf(program);
    page.Settings.Trigger = on;
    page.TriggerText = TriggerCaption(on);
}

bool SetMinutesOff(Program& program, int code) {
    if (MinutesOffCaption(code).empty()) return false;
    auto& page = SettingsPageOf(program);
    page.Settings.MinutesOff = code;
    page.MinutesOffText = MinutesOffCaption(code);
    return true;
}

bool SetClickLimit(Program& program, int code) {
    if (code < 0 || code > 3) return false;
    auto& page = SettingsPageOf(program);
    page.Settings.ClickLimit = code;
    page.ClickLimitText = ClickLimitCaption(code);
    return true;
}

bool SetFilter(Program& program, int code) {
    if (FilterCaption(code).empty()) return false;
    auto& page = SettingsPageOf(program);
    page.Settings.HighPassFilter = code;
    page.FilterText = FilterCaption(code);
    return true;
}

void SetAlerting(Program& program, AlertingDevice state) {
    auto& page = SettingsPageOf(program);
    page.Settings.Alerting = state;
    page.AlertingText = AlertingCaption(state);
}

void NoteSDCardFile(Program& program, const std::string& path) {
    const auto slash = path.find_last_of('/');
    SettingsPageOf(program).CardFolder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

bool UseGainRegistry(Program& program, Host& host, const std::string& path) {
    auto& page = SettingsPageOf(program);
    LoggerGainTable gains = BuiltInGainTable();
    std::string error;
    if (!path.empty() && !ApplyGainRegistryFile(path, gains, error)) {
        host.ShowMessage("Logger gain registry not used: " + error);
        return false;
    }
    page.Gains = gains;
    page.GainRegistryFile = path;
    return true;
}

std::string ProposedSettingsFileName(const SettingsPage& page) {
    const bool tank = page.Text[Index(B::SwitchAngleTo)] == "255";
    return "Temporary Gain" + page.Text[Index(B::Gain)] + (tank ? " tank " : " sea ") + " settings.KLS";
}

SettingsBlock BuildPageSettingsBlock(SettingsPage& page) {
    const std::int64_t cardSize = CardSizeBlocks(page.CardFolder);
    page.CardSizeLabel = CardSizeText(cardSize);
    const auto stored = static_cast<std::uint32_t>(std::min<std::int64_t>(cardSize, 0xFFFFFFFFLL));
    return BuildSettingsBlock(page.Settings, stored);
}

namespace {

bool WriteKLSFile(SettingsPage& page, Host& host) {
    FileDialogRequest request;
    request.Title = "Create .KLS settings file";
    request.Filter = "KELP settings files *.KLS or *.ORV|*.*";
    request.InitialName = ProposedSettingsFileName(page);
    const auto chosen = host.SaveFileDialog(request);
    if (!chosen) return false;
    const SettingsBlock block = BuildPageSettingsBlock(page);
    int error = 0;
    if (!WriteSettingsFile(*chosen, block, error)) {
        host.ShowTimedMessage(Message3s, *chosen + " not written.  " + SystemErrorText(error));
        return false;
    }
    host.ShowTimedMessage(Message3s, *chosen + " written");
    return true;
}

bool RewriteSetupFile(Program& program, SettingsPage& page, Host& host) {
    FileDialogRequest request;
    request.Title = "Select SETUP.ORV file on SD card to be modified";
    request.Filter = "*.ORV";
    request.InitialName = "SETUP.ORV";
    const auto chosen = host.OpenFileDialog(request);
    if (chosen.empty()) return false;
    const std::string& path = chosen.front();
    NoteSDCardFile(program, path); // the card being written is the card whose size counts

    SetupFileRewrite setup;
    int error = 0;
    if (!setup.Open(path, error)) {
        host.ShowTimedMessage(Message2s, SystemErrorText(error));
        host.ShowMessage("SETUP.ORV not opened successfully");
        return false;
    }
    page.SetupButtonCaption = " please wait ";
    host.StateChanged("settings");
    const SettingsBlock block = BuildPageSettingsBlock(page);
    bool ok = setup.Write(block, error);
    if (ok) host.Wait(Message5s); // the card's file system is given time before the file is closed
    int closeError = 0;
    if (!setup.Close(closeError) && ok) {
        ok = false;
        error = closeError;
    }
    page.SetupButtonCaption = "Change SETUP on SD card";
    host.StateChanged("settings");
    if (!ok) {
        host.ShowMessage("SETUP.ORV not written: " + SystemErrorText(error));
        return false;
    }
    host.ShowTimedMessage(Message2s, "SETUP file changed");
    return true;
}

} // namespace

bool RewriteSETUPfileBtnClick(Program& program, Host& host, SetupTarget target) {
    auto& page = SettingsPageOf(program);
    if (page.Settings.Gain == 0) {
        host.ShowTimedMessage(Message3s, GainRequiredMessage);
        return false;
    }
    const auto n = ParseDigits(page.Text[Index(B::TargetKELPNumber)], 5);
    if (!n) {
        host.ShowTimedMessage(Message3s, InvalidLoggerNumberMessage);
        return false;
    }
    // Settings for a number the program does not know would carry another logger's values.
    if (*n > LoggerGainTable::Length) {
        host.ShowTimedMessage(Message3s, NotRegisteredMessage(*n));
        return false;
    }
    return target == SetupTarget::SettingsFile ? WriteKLSFile(page, host)
                                               : RewriteSetupFile(program, page, host);
}

} // namespace kelp
