#pragma once
// One of the three open-file slots: the open data file, what its header says, its
// minute map and the reader's position in it.
#include <cstdint>
#include <string>
#include <vector>

#include "core/file_io.h"
#include "core/header.h"
#include "core/records.h"
#include "core/time.h"

namespace kelp {

inline constexpr int SlotCount = 3;
inline constexpr int ReadBufferBytes = 200'000;

// What a tracker that has just started a sequence compares with its threshold when a click
// comes before the earliest next peak: the click's level (the reader's peak count), or its
// level less an eighth (the display's click sequence marks). Above it, the sequence starts
// again at that click.
enum class PeakRestartTest { Level, LevelLessAnEighth };

// The click-peak tracker: counts regular sequences of strong clicks, one slot's clicks at a time.
struct ClickPeakTracker {
    std::int32_t LastPeak = 0;
    std::int32_t PeakStage = 0;
    std::int32_t PeakScore = 0;
    std::int32_t PeakThreshold = 0;
    std::int32_t PeakWindowEnd = 0;
    std::int32_t PeakEarliestNext = 0;
    std::int64_t PeakCount = 0;
    std::int64_t PeakTotal = 0;

    // Takes the click at time t with level a; true when it completes a sequence (the stage
    // passes 15), which PeakCount then counts.
    bool Step(std::int32_t t, std::int32_t a, PeakRestartTest test) {
        const std::int32_t compared = test == PeakRestartTest::Level ? a : a - a / 8;
        if (PeakStage == 4 && t < PeakEarliestNext && compared > PeakThreshold) PeakScore = 5;
        if (t > PeakEarliestNext && a > PeakThreshold / 4) PeakScore += 1;
        if (t > PeakWindowEnd || PeakStage < PeakScore) {
            PeakThreshold = a - a / 8;
            PeakEarliestNext = t + 200;
            PeakWindowEnd = t + 70'000;
            PeakScore = 1;
            PeakStage = 4;
            LastPeak = t;
        }
        if (!(PeakEarliestNext < t && t < PeakWindowEnd && a > PeakThreshold)) return false;
        const std::int32_t d = t - LastPeak;
        PeakEarliestNext = t + d - d / 4;
        PeakWindowEnd = PeakEarliestNext + d / 2;
        PeakThreshold = a <= 250 ? a - a / 4 + 10 : 128;
        LastPeak = t;
        PeakStage += 4;
        if (PeakStage <= 15) return false;
        PeakThreshold -= PeakThreshold / 4;
        PeakCount += 1;
        return true;
    }
};

struct FileSlot {
    int Index = 0; // 1..3

    bool IsOpen = false;
    bool MoreData = false;
    bool MapReady = false;
    bool LandmarksMarked = false;
    BinaryFile File;
    std::string FullName;
    std::string ShortName;
    FileKind Kind = FileKind::None;
    int RecordLength = 10;
    int HeaderLength = kelp::HeaderLength;
    int BlockBytes = 0;
    int RecordFormat = 0;
    bool EnvelopeReady = false;
    int SettingsLayout = 1;
    int LoggerNumber = -999;
    std::string LoggerNumberText = "-999";
    int LoggerVersion = 0;
    int TdaVersion = 0;
    std::int64_t FileSize = 0;
    MinuteNumber FirstMinute = 0;
    MinuteNumber LastMinute = 0;
    MinuteNumber EndpointStart = 0;
    MinuteNumber EndpointEnd = 0;
    MinuteNumber ActiveStart = 0;
    MinuteNumber ActiveEnd = 0;
    std::uint32_t HeaderClickCount = 0;
    int MinutesPerMarker = 1;
    int SwitchAngleMin = 0;
    int SwitchAngleMax = 120;
    std::int64_t MinuteClickLimit = 999'999'999;
    int Gain = 0;
    int FilterkHz = 0;
    int WaterDepth = 0;
    int DeploymentDepth = 0;
    std::string Location;
    std::string Notes;
    std::string Latitude;
    std::string Longitude;
    DataFileHeader Header; // as read when the file was opened

    // Minute map: Map[k] is the position of marker k; Map[MapCount] the end of the data.
    std::vector<std::int64_t> Map;
    std::int64_t MapCount = 0;

    // Reading state.
    std::vector<std::uint8_t> Buffer;
    int BufferPos = 0;
    int BufferFill = 0;
    std::int64_t BufferFilePos = 0; // file position of Buffer[0]
    int NRType = TypeEndOfData;
    MinuteNumber CurrentMinute = 0;
    ClickRecord Click;
    MinuteMarker Marker;
    std::int32_t LastAcceptedTime = -2;
    ClickPeakTracker Peaks;

    // A read failed while this slot was being read; it delivers nothing more in this pass.
    bool ReadFailed = false;

    // The per-file text boxes and labels.
    std::vector<std::string> SessionText;
    std::vector<std::string> SettingsText;
    std::string NameLabel;
    std::string KelpIdLabel;
    std::string StartLabel;
    std::string EndLabel;
    std::string DurationLabel;
    std::string LocationBox;
    std::string NotesBox;
    std::string DeploymentDepthBox;
    std::string WaterDepthBox;
    std::string LatitudeBox;
    std::string LongitudeBox;

    MarkerContext Markers() const { return {SwitchAngleMin, SwitchAngleMax, MinuteClickLimit}; }
};

// "(File N - vacant)": the name label of an empty slot.
std::string VacantLabel(int slot);

// Puts every field of the slot back to its initial value (the index stays).
void ResetSlot(FileSlot& slot);

// Settings layout of the header's settings area as the slots read it: layout 0 for
// logger numbers 2..103 and 105..124, layout 1 for every other number.
int SlotSettingsLayout(int loggerNumber);

} // namespace kelp
