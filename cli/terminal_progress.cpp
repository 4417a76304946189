#include "cli/terminal_progress.h"

#include <algorithm>
#include <cmath>

namespace kelp::cli {

namespace {

std::string TwoDigits(std::int64_t n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string Bar(double fraction, int width) {
    const int filled = static_cast<int>(fraction * width);
    return "[" + std::string(static_cast<std::size_t>(filled), '#') +
           std::string(static_cast<std::size_t>(width - filled), '.') + "]";
}

} // namespace

std::string DurationText(std::int64_t seconds) {
    seconds = std::max<std::int64_t>(0, seconds);
    const std::int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    if (h > 0) return std::to_string(h) + ":" + TwoDigits(m) + ":" + TwoDigits(s);
    return std::to_string(m) + ":" + TwoDigits(s);
}

std::int64_t SecondsLeft(double fraction, std::int64_t elapsedMilliseconds) {
    if (fraction < 0.01 || elapsedMilliseconds < 1000) return -1;
    if (fraction >= 1) return 0;
    return std::llround(static_cast<double>(elapsedMilliseconds) * (1 - fraction) / fraction / 1000);
}

std::string ProgressLine(const ProgressFrame& frame, int width) {
    const double fraction = std::clamp(frame.Fraction, 0.0, 1.0);
    const int percent = static_cast<int>(fraction * 100);
    std::string figures = (percent < 10    ? "  "
                           : percent < 100 ? " "
                                           : "") +
                          std::to_string(percent) + "%  " + DurationText(frame.ElapsedSeconds) + " elapsed";
    if (frame.LeftSeconds >= 0) figures += "  " + DurationText(frame.LeftSeconds) + " left";
    if (frame.FileCount > 1)
        figures += "  file " + std::to_string(frame.FileNumber) + " of " + std::to_string(frame.FileCount);

    const std::size_t room = static_cast<std::size_t>(std::max(1, width - 1));
    const auto tail = [&](int barWidth) {
        return (barWidth > 0 ? Bar(fraction, barWidth) + " " : std::string()) + figures;
    };
    const std::string& caption = frame.Caption;
    if (caption.empty()) {
        for (const int barWidth : {20, 10, 0})
            if (tail(barWidth).size() <= room) return tail(barWidth);
    }
    // The whole caption with a shorter bar, else a shortened caption, else the figures alone.
    for (const int barWidth : {20, 10})
        if (caption.size() + 2 + tail(barWidth).size() <= room) return caption + "  " + tail(barWidth);
    constexpr std::size_t ShortestCaption = 12;
    for (const int barWidth : {10, 0}) {
        const std::string t = tail(barWidth);
        if (t.size() + 2 + ShortestCaption > room) continue;
        return caption.substr(0, room - t.size() - 5) + "...  " + t;
    }
    if (tail(0).size() <= room) return tail(0);
    return figures.substr(0, room);
}

} // namespace kelp::cli
