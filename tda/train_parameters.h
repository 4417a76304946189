#pragma once
// The parameters of the train detection and the settings of the Trains and development
// pages that it reads. Version 1 (normal mode) runs with the fixed values; version 2
// (development mode) takes them from the development page's boxes.
#include <cstdint>
#include <string>
#include <vector>

namespace kelp {

struct TrainParameters {
    std::int32_t Max64thsICIdrop = 24; // window start: 40/64 of the last interval after the last click
    std::int32_t Max64thsICIrise = 24; // window end: 88/64 of the last interval
    std::int32_t MinNinTrain = 5;
    std::int32_t ScoreAddon = 10;
    std::int32_t PassLimit = 3;
    std::int32_t MinterminalNSV = 3;
    std::int32_t cLstrFt = 8;
    std::int32_t FrqFt = 10;
    std::int32_t MinSPLFt = 12;
    std::int32_t SecondClkFit = 5;
    std::int32_t BestReplacementLevel = 0;
    std::int32_t NewBestLevel = 0;
    double TimeLoading = 1.0;
    std::int32_t IICIFilterLevel = 8;
    std::int32_t rollingTadd = 4;
    std::int32_t rollingFadd = 4;
    std::int32_t rollingPadd = 4;
    std::int32_t SonarThreshold = 26;
    std::int32_t ICIseqValSHR = 7;
    std::int32_t DolDowngradeLevel = 0;
    std::int32_t NspLines = 0;
    // Read by the detection, without effect on its decisions.
    std::int32_t Qthreshold = 5;
    std::int32_t NQlines = 0;
    std::int32_t SPLfilter = 1;
    std::int32_t FTDAfilter = 160;
    std::int32_t SonarBias = 24;
    std::int32_t TDAweakFilter = 10;

    // What version 2 changes in the search.
    std::int32_t MinSecondClickTicks = 250; // the first window opens this long after a train's first click
    bool StayWithinBands = true;            // a click must be in the train's band
};

// Names of the development page's parameter boxes (each box is the name + "Edit").
std::vector<std::string> TrainParameterNames();
// Sets a parameter from the text of its box; false for an unknown name or a text that is not a number.
bool SetTrainParameter(TrainParameters& parameters, const std::string& name, const std::string& text);
// The text a parameter's box shows.
std::string TrainParameterText(const TrainParameters& parameters, const std::string& name);

// The development page settings of the train search (the Trains page settings it reads,
// the version selection and "do not distinguish cetacean species", are in TdaSettings).
struct TrainDetectionSettings {
    int Version = 1;                       // the version that runs (2 only in development mode)
    bool NoSpeciesSplit = false;           // "do not distinguish cetacean species"
    bool Inherit = false;                  // "inherit"
    bool StayWithinBands = true;           // "stay within F bands" (version 2)
    TrainParameters DevelopmentParameters; // the parameter boxes (version 2)
};

} // namespace kelp
