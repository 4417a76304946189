// kelp-cli settings: logger settings files (KLS), rewriting SETUP.ORV on a card, and
// showing the settings stored in any file, through the same page handlers the window uses.
#include <algorithm>
#include <cctype>
#include <memory>
#include <sstream>

#include "cli/registry.h"
#include "settings/gain_table.h"
#include "settings/settings_page.h"
#include "settings/settings_reader.h"

namespace kelp::cli {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    while (!text.empty() && (text.back() == ' ' || text.back() == ':')) text.pop_back();
    return text;
}

std::string SetHelp() {
    std::ostringstream s;
    s << "--set NAME=VALUE, NAME being a short name or the page's caption (any case):\n";
    for (const auto& info : SettingsBoxes()) {
        if (info.Box == SettingsBox::TargetKELPNumber || info.Box == SettingsBox::ShowAsKELPNumber) continue;
        s << "  " << info.Name << " (\"" << info.Caption << "\")  " << info.Min << ".." << info.Max
          << ", default " << info.DefaultText << (info.Detector ? ", detector setting" : "") << '\n';
    }
    s << "  minutes-off (\"Continuous?\")  0, 1, 2, 4 or 9 minutes OFF after every minute ON\n"
         "  click-limit (\"Limit on clicks logged in any min\")  0 no limit, 1 1024, 2 4096, 3 65536\n"
         "  filter (\"High pass filter \")  0 80kHz, 1 40kHz, 2 20kHz, 3 10kHz (or 80kHz .. 10kHz)\n"
         "  alerting (\"Alerting device\")  off, high or low (power)\n"
         "  trigger (\"Trigger\")  on or off\n"
         "  layout (\"Setup File version \")  0 or 1\n"
         "  version (\"KELP version \")  0 or 1\n"
         "The logger's defaults come first, then the preset, then each --set in order.\n"
         "The registered gains are built in; --gains FILE registers more (lines of\n"
         "\"logger<TAB>gain\", '#' comments), overriding the built-in rows it names.";
    return s.str();
}

std::optional<int> WholeNumber(const std::string& text) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        if (used == text.size()) return value;
    } catch (...) {
    }
    return std::nullopt;
}

// Applies one NAME=VALUE; false with the reason in `error`.
bool ApplySetting(Program& program, const std::string& assignment, std::string& error) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos) {
        error = "--set " + assignment + ": expected NAME=VALUE";
        return false;
    }
    const std::string name = Lower(assignment.substr(0, eq));
    const std::string value = assignment.substr(eq + 1);
    const std::string lowerValue = Lower(value);
    const auto number = WholeNumber(value);
    auto bad = [&] {
        error = "--set " + assignment + ": value not accepted (see kelp-cli settings new --help)";
        return false;
    };
    if (name == "minutes-off" || name == "continuous?")
        return (number && SetMinutesOff(program, *number)) || bad();
    if (name == "click-limit" || name == "limit on clicks logged in any min")
        return (number && SetClickLimit(program, *number)) || bad();
    if (name == "filter" || name == "high pass filter") {
        for (int code = 0; code <= 3; ++code)
            if (lowerValue == Lower(FilterCaption(code))) return SetFilter(program, code);
        return (number && SetFilter(program, *number)) || bad();
    }
    if (name == "alerting" || name == "alerting device") {
        if (lowerValue == "off")
            SetAlerting(program, AlertingOff);
        else if (lowerValue == "high" || lowerValue == "high power")
            SetAlerting(program, AlertingHighPower);
        else if (lowerValue == "low" || lowerValue == "low power")
            SetAlerting(program, AlertingLowPower);
        else
            return bad();
        return true;
    }
    if (name == "trigger") {
        if (lowerValue == "on" || lowerValue == "1")
            SetTrigger(program, true);
        else if (lowerValue == "off" || lowerValue == "0")
            SetTrigger(program, false);
        else
            return bad();
        return true;
    }
    if (name == "layout" || name == "setup file version") {
        if (!number || (*number != 0 && *number != 1)) return bad();
        SetSettingsLayout(program, *number);
        return true;
    }
    if (name == "version" || name == "kelp version") {
        if (!number || (*number != 0 && *number != 1)) return bad();
        SetLoggerVersion(program, *number);
        return true;
    }
    const auto box = SettingsBoxByName(name);
    if (!box || *box == SettingsBox::TargetKELPNumber || *box == SettingsBox::ShowAsKELPNumber) {
        error = "--set " + assignment + ": no setting of that name (see kelp-cli settings new --help)";
        return false;
    }
    if (!ParseSettingsBoxText(*box, value)) return bad();
    SettingsBoxChange(program, *box, value);
    return true;
}

struct WriteOptions {
    int logger = 0;
    std::string preset;
    std::vector<std::string> sets;
    std::string gains;
    std::string output;
    std::string cardFolder;
};

// Fills the page as a user would: logger number, preset, then each setting.
int PreparePage(Context& ctx, const WriteOptions& o) {
    if (!o.gains.empty() && !UseGainRegistry(ctx.program, ctx.host, o.gains)) return ExitFailure;
    TargetKELPNumberEditChange(ctx.program, ctx.host, std::to_string(o.logger));
    if (o.preset == "porpoise")
        LowSensHPBtnClick(ctx.program, ctx.host);
    else if (o.preset == "dolphin")
        LowSensDolBtnClick(ctx.program, ctx.host);
    for (const auto& set : o.sets) {
        std::string error;
        if (!ApplySetting(ctx.program, set, error)) {
            *ctx.err << error << '\n';
            return ExitUsage;
        }
    }
    return ExitSuccess;
}

int RunNew(Context& ctx, const WriteOptions& o) {
    if (const int status = PreparePage(ctx, o); status != ExitSuccess) return status;
    if (!o.cardFolder.empty()) SettingsPageOf(ctx.program).CardFolder = o.cardFolder;
    ctx.host.SaveAnswers.push_back(o.output);
    return RewriteSETUPfileBtnClick(ctx.program, ctx.host, SetupTarget::SettingsFile) ? ExitSuccess
                                                                                      : ExitFailure;
}

int RunWriteCard(Context& ctx, const WriteOptions& o) {
    if (const int status = PreparePage(ctx, o); status != ExitSuccess) return status;
    ctx.host.OpenAnswers.push_back({o.output});
    return RewriteSETUPfileBtnClick(ctx.program, ctx.host, SetupTarget::SDCard) ? ExitSuccess : ExitFailure;
}

int RunShow(Context& ctx, const std::string& path, const std::optional<int>& asLogger) {
    if (!ReadSettingsFromFile(ctx.program, ctx.host, path)) {
        *ctx.err << path << " not opened\n";
        return ExitFailure;
    }
    if (asLogger) ShowSettingsAsForChange(ctx.program, ctx.host, std::to_string(*asLogger));
    const auto& page = SettingsPageOf(ctx.program);
    for (const auto& [caption, value] : ShownSettings(page)) *ctx.out << caption << '\t' << value << '\n';
    if (asLogger) *ctx.out << "Show settings as for KELP number\t" << *asLogger << '\n';
    return ExitSuccess;
}

int RunGains(Context& ctx, const std::string& gains) {
    if (!gains.empty() && !UseGainRegistry(ctx.program, ctx.host, gains)) return ExitFailure;
    const auto& table = SettingsPageOf(ctx.program).Gains;
    for (int n = 1; n <= LoggerGainTable::Length; ++n)
        if (table.GainOf(n) != 0) *ctx.out << n << '\t' << table.GainOf(n) << '\n';
    return ExitSuccess;
}

void AddWriteOptions(CLI::App* cmd, const std::shared_ptr<WriteOptions>& o) {
    cmd->add_option("--logger", o->logger, "Logger (KELP) number whose defaults the settings start from")
        ->required();
    cmd->add_option("--preset", o->preset, "Low-sensitivity preset")
        ->check(CLI::IsMember({"porpoise", "dolphin"}));
    cmd->add_option("--set", o->sets, "Setting NAME=VALUE (repeatable; names below)")
        ->allow_extra_args(false);
    cmd->add_option("--gains", o->gains, "Registry file of logger gains over the built-in table");
    cmd->footer(SetHelp());
}

CommandRegistrar settingsCommands(50, [](CLI::App& app, Context& ctx) {
    auto* settings =
        app.add_subcommand("settings", "Logger settings: KLS files, SETUP.ORV, showing settings");
    settings->require_subcommand(1);

    auto newOptions = std::make_shared<WriteOptions>();
    auto* create = settings->add_subcommand("new", "Write a 512-byte KLS settings file for a logger");
    AddWriteOptions(create, newOptions);
    create->add_option("-o,--output", newOptions->output, "KLS file to write")->required();
    create->add_option("--card-folder", newOptions->cardFolder,
                       "Folder of a card's DATA files, whose size goes into the settings");
    create->callback([&ctx, newOptions] { ctx.exitCode = RunNew(ctx, *newOptions); });

    auto cardOptions = std::make_shared<WriteOptions>();
    auto* card = settings->add_subcommand(
        "write-card", "Rewrite the first 128 bytes of SETUP.ORV on a formatted card (the rest is kept)");
    card->add_option("SETUP", cardOptions->output, "The card's SETUP.ORV")->required();
    AddWriteOptions(card, cardOptions);
    card->callback([&ctx, cardOptions] { ctx.exitCode = RunWriteCard(ctx, *cardOptions); });

    auto showPath = std::make_shared<std::string>();
    auto asLogger = std::make_shared<std::optional<int>>();
    auto* show = settings->add_subcommand(
        "show", "Show the settings stored in a SETUP.ORV, KLS, DATA0.ORV or KL1/KL2/KL3 file");
    show->add_option("FILE", *showPath, "File to read")->required();
    show->add_option_function<int>(
        "--as-logger", [asLogger](const int& n) { *asLogger = n; },
        "Decode as for this KELP number (the layout follows the number)");
    show->footer("Prints one \"caption<TAB>value\" line per setting, as the Settings page shows it.");
    show->callback([&ctx, showPath, asLogger] { ctx.exitCode = RunShow(ctx, *showPath, *asLogger); });

    auto gainsFile = std::make_shared<std::string>();
    auto* gains = settings->add_subcommand("gains", "List the registered logger gains (logger<TAB>gain)");
    gains->add_option("--gains", *gainsFile, "Registry file of logger gains over the built-in table");
    gains->callback([&ctx, gainsFile] { ctx.exitCode = RunGains(ctx, *gainsFile); });
});

} // namespace
} // namespace kelp::cli
