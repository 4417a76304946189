#pragma once
// Click sounds through the computer's sound output: RIFF/WAVE images of PCM samples are
// handed to one audio stream, which plays them in the order given. Where the computer has
// no sound output nothing is played.
#include <cstdint>
#include <memory>
#include <vector>

class QAudioSink;
class QIODevice;

namespace kelp {

inline constexpr const char* NoSoundOutputText =
    "No sound output on this computer: the clicks are shown silently";

// The samples and their format, read from a RIFF/WAVE image (44-byte header or longer).
struct WaveSamples {
    int SampleRate = 0;
    int Channels = 0;
    int BitsPerSample = 0;
    std::vector<std::uint8_t> Data;
};
// False for an image that is no PCM RIFF/WAVE.
bool ReadWaveImage(const std::vector<std::uint8_t>& image, WaveSamples& samples);

class SoundOutput {
public:
    SoundOutput();
    ~SoundOutput();
    SoundOutput(const SoundOutput&) = delete;
    SoundOutput& operator=(const SoundOutput&) = delete;

    // Plays the image; false when there is no sound output for it (nothing is played).
    bool Play(const std::vector<std::uint8_t>& image);

private:
    bool Open(const WaveSamples& samples);

    std::unique_ptr<QAudioSink> sink_;
    QIODevice* stream_ = nullptr;
    int rate_ = 0;
    int channels_ = 0;
    int bits_ = 0;
    bool unavailable_ = false;
};

} // namespace kelp
