#include "export/batch_page.h"

#include <charconv>

#include "core/program.h"

namespace kelp {

BatchPage& BatchPageOf(Program& program) {
    return program.State<BatchPage>();
}

bool EnterNoiseThreshold(BatchPage& page, const std::string& text) {
    std::int64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || at != end || value < 0) {
        page.NoiseThresholdText = DefaultNoiseThresholdText;
        page.NoiseThreshold = 100'000;
        return false;
    }
    page.NoiseThresholdText = text;
    page.NoiseThreshold = value;
    return true;
}

} // namespace kelp
