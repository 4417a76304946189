#pragma once
// The one-line progress bar kelp-cli draws on a terminal: what the operation is doing,
// a bar, per cent, the time elapsed and left, and the file of a batch.
#include <cstdint>
#include <string>

namespace kelp::cli {

struct ProgressFrame {
    std::string Caption; // what the operation is doing
    double Fraction = 0; // 0..1
    std::int64_t ElapsedSeconds = 0;
    std::int64_t LeftSeconds = -1; // -1: not known yet
    int FileNumber = 0;            // a batch's file number of FileCount (shown for batches of 2 or more)
    int FileCount = 0;
};

// "0:07", "12:34", "1:02:03".
std::string DurationText(std::int64_t seconds);

// The bar's line, at most `width` - 1 characters (the last column would wrap): the caption
// is shortened first, then the bar.
std::string ProgressLine(const ProgressFrame& frame, int width);

// Seconds left when `fraction` of the work took `elapsedMilliseconds`; -1 while too little
// is done to say (below 1 % or below one second).
std::int64_t SecondsLeft(double fraction, std::int64_t elapsedMilliseconds);

} // namespace kelp::cli
