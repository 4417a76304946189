#include "tda/tda_settings.h"

#include "core/filters.h"
#include "core/program.h"

namespace kelp {

bool TdaEntry::Set(const std::string& text) {
    std::int32_t v = 0;
    if (ParseFilterInteger(text, v)) {
        Text = text;
        Value = v;
        return true;
    }
    Text = DefaultText;
    ParseFilterInteger(DefaultText, Value);
    return false;
}

TdaSettings& TdaSettingsOf(Program& program) {
    return program.State<TdaSettings>();
}

int ActiveTdaVersion(Program& program) {
    if (!program.Options.DevelopmentMode) return 1;
    return TdaSettingsOf(program).TrainFilterVersion == 2 ? 2 : 1;
}

bool PreFilterOn(const TdaSettings& s) {
    return s.TdaSPLmin.Value > 1 || s.TdaNcycMin.Value > 1 || s.TDAMinLim.Value > 0;
}

int PreFilterMaxkHz(const TdaSettings& s) {
    return s.TDAkHz.Value == 0 ? 170 : s.TDAkHz.Value;
}

std::int32_t TdaMinuteLimit(const TdaSettings& s) {
    return s.TDAMinLim.Value == 0 ? 65'536 : s.TDAMinLim.Value;
}

void SetNormalSensitivity(TdaSettings& s) {
    s.TdaSPLmin.Set("12");
    s.TdaNcycMin.Set("5");
    s.TDAMinLim.Set("4096");
    s.TDAkHz.Set("145");
}

void StepMinuteLimit(TdaSettings& s) {
    const std::string& t = s.TDAMinLim.Text;
    if (t == "1024")
        s.TDAMinLim.Set("4096");
    else if (t == "4096")
        s.TDAMinLim.Set("65536");
    else if (t == "65536")
        s.TDAMinLim.Set("1024");
    else
        s.TDAMinLim.Set("4096");
}

} // namespace kelp
