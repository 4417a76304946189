#include "app/development_mode.h"

#include "core/filters.h"
#include "core/host.h"
#include "core/program.h"
#include "display/display_state.h"
#include "tda/tda_settings.h"

namespace kelp {

bool DevelopmentKeySequence::KeyWithCtrl(char key) {
    if (key == DevelopmentModeLetters[position_]) {
        ++position_;
        if (position_ < DevelopmentModeLetters.size()) return false;
        position_ = 0;
        return true;
    }
    position_ = key == DevelopmentModeLetters[0] ? 1 : 0;
    return false;
}

void ToggleDevelopmentMode(Program& p, Host& host) {
    const bool on = !p.Options.DevelopmentMode;
    p.Options.DevelopmentMode = on;
    DisplayStateOf(p).Settings.WhiteVirtualIciLines = on;
    p.Options.ShowTimeErrorAsClk = on;
    TdaSettingsOf(p).TrainFilterVersion = on ? 2 : 1;
    if (!on) {
        SetQualityBox(p, host, 1, false); // "Lo"
        SetQualityBox(p, host, 0, false); // "?"
    }
    host.StateChanged(changed::DevelopmentMode);
}

} // namespace kelp
