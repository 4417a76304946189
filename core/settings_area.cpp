#include "core/settings_area.h"

#include "core/bytes.h"

namespace kelp {

namespace {

// The area is addressed by block offsets (64..127), as the layouts are described.
int Read(const std::uint8_t* area, int offset, int width = 1) {
    return static_cast<int>(ReadBE(area, static_cast<std::size_t>(offset - SettingsAreaOffset), width));
}

} // namespace

SettingsAreaReading ReadSettingsArea(const std::uint8_t* area, int layout) {
    SettingsAreaReading r;
    r.Layout = layout;
    r.ClickLimit = Read(area, 81);
    r.LoggerNumber = Read(area, 126, 2);
    r.MinCycles = Read(area, 88);
    r.StartSPL = Read(area, 84);
    if (layout == 0) {
        r.SwitchAngleFrom = Read(area, 66);
        r.SwitchAngleTo = Read(area, 67);
        r.MinutesOff = Read(area, 68);
        r.StartDelay = Read(area, 70, 2);
        r.CardSizeBlocks = static_cast<std::uint32_t>(Read(area, 75, 4));
        r.HighPassFilter = Read(area, 80) & 127;
        r.Gain = Read(area, 64);
        r.Hysteresis = Read(area, 65);
        r.Stmin = Read(area, 86);
        r.Stmax = Read(area, 87);
        r.MinSPL = Read(area, 82);
        r.MaxSPL = Read(area, 83);
        r.BWThreshold = Read(area, 85);
    } else {
        r.SwitchAngleFrom = Read(area, 64);
        r.SwitchAngleTo = Read(area, 65);
        r.MinutesOff = Read(area, 66);
        r.StartDelay = Read(area, 68, 2);
        r.CardSizeBlocks = static_cast<std::uint32_t>(Read(area, 73, 4));
        r.HighPassFilter = Read(area, 79) & 127;
        r.Gain = Read(area, 77);
        r.Hysteresis = Read(area, 78);
        r.Stmin = Read(area, 82);
        r.Stmax = Read(area, 83);
        r.MinSPL = Read(area, 85);
        r.MaxSPL = Read(area, 89);
        r.BWThreshold = Read(area, 87);
        r.HRIntercept = Read(area, 86);
        r.LowBias = Read(area, 90);
        r.HighBias = Read(area, 91);
        r.AlertingByte = Read(area, 92);
    }
    return r;
}

} // namespace kelp
