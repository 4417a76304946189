#include "display/y_scale.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "core/host.h"
#include "core/program.h"
#include "display/axes.h"
#include "display/legends.h"
#include "display/navigation.h"

namespace kelp {

std::optional<double> ParseReal(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const std::size_t last = text.find_last_not_of(" \t");
    const std::string trimmed = text.substr(first, last - first + 1);
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(trimmed.c_str(), &end);
    if (end == trimmed.c_str() || *end != '\0' || errno == ERANGE || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<long long> ParseWholeNumber(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::nullopt;
    const std::size_t last = text.find_last_not_of(" \t");
    const std::string trimmed = text.substr(first, last - first + 1);
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(trimmed.c_str(), &end, 10);
    if (end == trimmed.c_str() || *end != '\0' || errno == ERANGE) return std::nullopt;
    return value;
}

void SetYScale(DisplayContext& ctx, const std::string& text) {
    DisplayState& s = ctx.state;
    s.Settings.YScaleText = text;
    const std::optional<double> value = ParseReal(text);
    if (!value) {
        s.Settings.YScaleText = "2.0";
        s.YScale = 2.0;
    } else {
        s.YScale = *value < MinimumYScale ? MinimumYScale : *value;
    }
    ctx.host.StateChanged(display_changed::YScale);
    if (OpenBandCount(ctx.program) > 0) DrawAxes(ctx);
}

void WriteYScaleText(DisplayContext& ctx, const std::string& text) {
    if (text == ctx.state.Settings.YScaleText) return;
    SetYScale(ctx, text);
}

namespace {

bool ScalesOwnValue(const DisplayState& s) {
    return !IsLowResolution(s.TimeScale) &&
           (s.DisplayParameter == param::Ici || s.DisplayParameter == param::ClickRate);
}

double& OwnScale(DisplayState& s) {
    return s.DisplayParameter == param::Ici ? s.IciScale : s.ClickRateScale;
}

double TypedYScale(const DisplayState& s) {
    return ParseReal(s.Settings.YScaleText).value_or(s.YScale);
}

} // namespace

void YScaleUp(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    if (ScalesOwnValue(s)) {
        OwnScale(s) *= 2;
        return;
    }
    WriteYScaleText(ctx, FixedText(TypedYScale(s) * 2, 2));
}

void YScaleDown(DisplayContext& ctx) {
    DisplayState& s = ctx.state;
    if (ScalesOwnValue(s)) {
        double& scale = OwnScale(s);
        scale /= 2;
        if (scale == 0) scale = 2;
        return;
    }
    const double half = TypedYScale(s) / 2;
    WriteYScaleText(ctx, half < MinimumYScale ? std::string("2.0") : FixedText(half, 2));
}

void YScaleKey(DisplayContext& ctx, bool up) {
    if (up)
        YScaleUp(ctx);
    else
        YScaleDown(ctx);
    DrawAxes(ctx);
    ctx.state.MenuPagesVisible = false;
    ctx.host.StateChanged(display_changed::MenuPages);
    ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
    ShowParameter(ctx, ctx.state.DisplayParameter, false);
}

void SetKl1Divisor(DisplayContext& ctx, const std::string& text) {
    DisplayState& s = ctx.state;
    s.Settings.Kl1DivisorText = text;
    const std::size_t first = text.find_first_not_of(" \t");
    char* end = nullptr;
    errno = 0;
    const long value = first == std::string::npos ? 0 : std::strtol(text.c_str() + first, &end, 10);
    const bool parsed = first != std::string::npos && end != text.c_str() + first && *end == '\0' &&
                        errno == 0 && value <= 2'147'483'647 && value >= -2'147'483'647;
    if (!parsed) {
        s.Settings.Kl1DivisorText = "20";
        s.Kl1Divisor = 20;
    } else {
        s.Kl1Divisor = value < 1 ? 1 : static_cast<int>(value);
    }
    ctx.host.StateChanged(display_changed::YScale);
}

} // namespace kelp
