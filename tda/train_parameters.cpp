#include "tda/train_parameters.h"

#include <charconv>
#include <cstdlib>
#include <sstream>

namespace kelp {

namespace {

struct IntegerParameter {
    const char* Name;
    std::int32_t TrainParameters::*Field;
};

constexpr IntegerParameter IntegerParameters[] = {
    {"Max64thsICIdrop", &TrainParameters::Max64thsICIdrop},
    {"Max64thsICIrise", &TrainParameters::Max64thsICIrise},
    {"MinNinTrain", &TrainParameters::MinNinTrain},
    {"ScoreAddon", &TrainParameters::ScoreAddon},
    {"PassLimit", &TrainParameters::PassLimit},
    {"MinterminalNSV", &TrainParameters::MinterminalNSV},
    {"cLstrFt", &TrainParameters::cLstrFt},
    {"FrqFt", &TrainParameters::FrqFt},
    {"MinSPLFt", &TrainParameters::MinSPLFt},
    {"SecondClkFit", &TrainParameters::SecondClkFit},
    {"BestReplacementLevel", &TrainParameters::BestReplacementLevel},
    {"NewBestLevel", &TrainParameters::NewBestLevel},
    {"IICIFilterLevel", &TrainParameters::IICIFilterLevel},
    {"rollingTadd", &TrainParameters::rollingTadd},
    {"rollingFadd", &TrainParameters::rollingFadd},
    {"rollingPadd", &TrainParameters::rollingPadd},
    {"SonarThreshold", &TrainParameters::SonarThreshold},
    {"ICIseqValSHR", &TrainParameters::ICIseqValSHR},
    {"DolDowngradeLevel", &TrainParameters::DolDowngradeLevel},
    {"NspLines", &TrainParameters::NspLines},
    {"Qthreshold", &TrainParameters::Qthreshold},
    {"NQlines", &TrainParameters::NQlines},
    {"SPLfilter", &TrainParameters::SPLfilter},
    {"FTDAfilter", &TrainParameters::FTDAfilter},
    {"SonarBias", &TrainParameters::SonarBias},
    {"TDAweakFilter", &TrainParameters::TDAweakFilter},
};

constexpr const char* TimeLoadingName = "TimeLoading";

bool ParseInteger(const std::string& text, std::int64_t& value) {
    std::size_t a = 0, b = text.size();
    while (a < b && text[a] == ' ') ++a;
    while (b > a && text[b - 1] == ' ') --b;
    if (a == b) return false;
    const auto result = std::from_chars(text.data() + a, text.data() + b, value);
    return result.ec == std::errc() && result.ptr == text.data() + b;
}

} // namespace

std::vector<std::string> TrainParameterNames() {
    std::vector<std::string> names;
    for (const auto& p : IntegerParameters) names.emplace_back(p.Name);
    names.insert(names.begin() + 12, TimeLoadingName);
    return names;
}

bool SetTrainParameter(TrainParameters& parameters, const std::string& name, const std::string& text) {
    if (name == TimeLoadingName) {
        std::istringstream in(text);
        double v = 0;
        char rest = 0;
        if (!(in >> v) || (in >> rest)) return false;
        parameters.TimeLoading = v;
        return true;
    }
    for (const auto& p : IntegerParameters) {
        if (name != p.Name) continue;
        std::int64_t v = 0;
        if (!ParseInteger(text, v) || v < -1'000'000'000 || v > 1'000'000'000) return false;
        parameters.*(p.Field) = static_cast<std::int32_t>(v);
        return true;
    }
    return false;
}

std::string TrainParameterText(const TrainParameters& parameters, const std::string& name) {
    if (name == TimeLoadingName) {
        std::ostringstream out;
        out << parameters.TimeLoading;
        return out.str();
    }
    for (const auto& p : IntegerParameters)
        if (name == p.Name) return std::to_string(parameters.*(p.Field));
    return "";
}

} // namespace kelp
