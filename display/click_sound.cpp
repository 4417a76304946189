#include "display/click_sound.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "core/file_io.h"
#include "core/time.h"

namespace kelp {

std::vector<std::uint8_t> ClickToneSamples(const ClickRecord& c) {
    const int count = std::min(SoundSampleRate, (c.SPL / 2) / 2 + 6);
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(std::max(0, count)));
    const double frequency = static_cast<double>(c.kHz) * 64;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double v =
            std::sin(2.0 * static_cast<double>(i) * std::numbers::pi * frequency / SoundSampleRate) * c.Ncyc +
            128;
        samples[i] = static_cast<std::uint8_t>(std::clamp<std::int64_t>(RoundToInt(v), 0, 255));
    }
    return samples;
}

namespace {

void PutText(std::vector<std::uint8_t>& out, const char* text) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(text[i]));
}

void PutLittleEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

} // namespace

std::vector<std::uint8_t> WaveImage(const std::vector<std::uint8_t>& samples) {
    const auto n = static_cast<std::uint32_t>(samples.size());
    std::vector<std::uint8_t> out;
    out.reserve(WaveHeaderBytes + samples.size());
    PutText(out, "RIFF");
    PutLittleEndian(out, 36 + n, 4);
    PutText(out, "WAVE");
    PutText(out, "fmt ");
    PutLittleEndian(out, 16, 4);              // format block length
    PutLittleEndian(out, 1, 2);               // PCM
    PutLittleEndian(out, 1, 2);               // mono
    PutLittleEndian(out, SoundSampleRate, 4); // samples per second
    PutLittleEndian(out, SoundSampleRate, 4); // bytes per second
    PutLittleEndian(out, 1, 2);               // bytes per sample
    PutLittleEndian(out, 8, 2);               // bits per sample
    PutText(out, "data");
    PutLittleEndian(out, n, 4);
    out.insert(out.end(), samples.begin(), samples.end());
    return out;
}

int PauseBeforeClick(std::int32_t t, std::int32_t previous) {
    const std::int64_t gap = t < previous ? static_cast<std::int64_t>(t) + TicksPerMinute - previous
                                          : static_cast<std::int64_t>(t) - previous;
    if (gap < 512) return 0;
    return static_cast<int>(std::min<std::int64_t>(1'000, gap / 512));
}

bool WriteWaveFile(const std::string& path, const std::vector<std::uint8_t>& samples, std::string* error) {
    const std::vector<std::uint8_t> image = WaveImage(samples);
    AtomicFileWriter writer(path);
    if (!writer.Open() || !writer.Write(image.data(), image.size()) || !writer.Commit()) {
        if (error) *error = SystemErrorText(writer.LastError());
        return false;
    }
    return true;
}

} // namespace kelp
