#include "app/sound_output.h"

#include <cstring>

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMediaDevices>

namespace kelp {

namespace {

std::uint32_t Little32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
int Little16(const std::uint8_t* p) {
    return p[0] | p[1] << 8;
}

// The longest the sound output may take to make room for a tone before it is skipped.
constexpr int RoomWaitMs = 500;

} // namespace

bool ReadWaveImage(const std::vector<std::uint8_t>& image, WaveSamples& samples) {
    const std::uint8_t* p = image.data();
    const std::size_t n = image.size();
    if (n < 12 || std::memcmp(p, "RIFF", 4) != 0 || std::memcmp(p + 8, "WAVE", 4) != 0) return false;
    bool format = false;
    for (std::size_t at = 12; at + 8 <= n;) {
        const std::uint32_t size = Little32(p + at + 4);
        const std::size_t body = at + 8;
        if (size > n - body) return false;
        if (std::memcmp(p + at, "fmt ", 4) == 0 && size >= 16) {
            if (Little16(p + body) != 1) return false; // PCM only
            samples.Channels = Little16(p + body + 2);
            samples.SampleRate = static_cast<int>(Little32(p + body + 4));
            samples.BitsPerSample = Little16(p + body + 14);
            format = true;
        } else if (std::memcmp(p + at, "data", 4) == 0) {
            if (!format) return false;
            samples.Data.assign(p + body, p + body + size);
            return samples.Channels > 0 && samples.SampleRate > 0 &&
                   (samples.BitsPerSample == 8 || samples.BitsPerSample == 16);
        }
        at = body + size + (size & 1);
    }
    return false;
}

SoundOutput::SoundOutput() = default;

SoundOutput::~SoundOutput() {
    if (sink_) sink_->stop();
}

bool SoundOutput::Open(const WaveSamples& samples) {
    if (sink_ && rate_ == samples.SampleRate && channels_ == samples.Channels &&
        bits_ == samples.BitsPerSample)
        return true;
    if (sink_) sink_->stop();
    sink_.reset();
    stream_ = nullptr;
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    QAudioFormat format;
    format.setSampleRate(samples.SampleRate);
    format.setChannelCount(samples.Channels);
    format.setSampleFormat(samples.BitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) return false;
    sink_ = std::make_unique<QAudioSink>(device, format);
    stream_ = sink_->start();
    if (stream_ == nullptr) {
        sink_.reset();
        return false;
    }
    rate_ = samples.SampleRate;
    channels_ = samples.Channels;
    bits_ = samples.BitsPerSample;
    return true;
}

bool SoundOutput::Play(const std::vector<std::uint8_t>& image) {
    if (unavailable_) return false;
    WaveSamples samples;
    if (!ReadWaveImage(image, samples)) return false;
    if (!Open(samples)) {
        unavailable_ = true;
        return false;
    }
    const char* data = reinterpret_cast<const char*>(samples.Data.data());
    qint64 left = static_cast<qint64>(samples.Data.size());
    QElapsedTimer waited;
    waited.start();
    while (left > 0 && waited.elapsed() < RoomWaitMs) {
        const qint64 written = stream_->write(data, left);
        if (written < 0) break;
        data += written;
        left -= written;
        if (left > 0) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

} // namespace kelp
