// kelp-cli score-trains: judges the train detection on simulated data. Every synthetic
// train of the simulator's truth.json counts as found when a KL3 train of class Mod or Hi
// and of the right species class overlaps it in time; KL3 trains that overlap no
// synthetic train are counted too.
#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/registry.h"
#include "core/file_io.h"
#include "core/header.h"
#include "core/records.h"
#include "core/time.h"

namespace kelp::cli {
namespace {

constexpr const char* ScoreHelp =
    R"(truth.json is the simulator's list of synthetic trains. A synthetic train's minutes are the
ordinals of the minute markers of the deployment; the KL3 file's first marker is taken as
ordinal 1 unless --start gives the deployment's first minute ("dd/mm/yyyy hh:mm").
Right species class: porpoise -> porpoise-like (0), dolphin -> dolphin (1), sonar -> boat sonar (4).
Output (tab-separated): per kind of synthetic train the number of trains, how many were found,
the percentage, how many any KL3 train overlaps, and how the best overlapping Mod or Hi train
was classed (Porp, Dol, Other, Unclass, Sonar); then the KL3 trains, all and Mod or Hi, with
those that overlap no synthetic train.)";

// A small reader of the JSON the simulator writes.
struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object } Kind = Type::Null;
    double Number = 0;
    bool Bool = false;
    std::string Text;
    std::vector<Json> Items;
    std::map<std::string, Json> Members;

    const Json* Member(const std::string& key) const {
        const auto it = Members.find(key);
        return it == Members.end() ? nullptr : &it->second;
    }
};

class JsonParser {
public:
    explicit JsonParser(const std::string& text) : s_(text) {}

    bool Parse(Json& out) {
        if (!Value(out, 0)) return false;
        Space();
        return i_ == s_.size();
    }

private:
    void Space() {
        while (i_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[i_]))) ++i_;
    }
    bool Literal(const char* word) {
        const std::string w(word);
        if (s_.compare(i_, w.size(), w) != 0) return false;
        i_ += w.size();
        return true;
    }
    bool String(std::string& out) {
        if (i_ >= s_.size() || s_[i_] != '"') return false;
        ++i_;
        while (i_ < s_.size() && s_[i_] != '"') {
            char c = s_[i_++];
            if (c == '\\') {
                if (i_ >= s_.size()) return false;
                const char e = s_[i_++];
                switch (e) {
                case 'n':
                    c = '\n';
                    break;
                case 't':
                    c = '\t';
                    break;
                case 'r':
                    c = '\r';
                    break;
                case 'b':
                    c = '\b';
                    break;
                case 'f':
                    c = '\f';
                    break;
                case 'u':
                    if (i_ + 4 > s_.size()) return false;
                    i_ += 4;
                    c = '?';
                    break;
                default:
                    c = e;
                    break;
                }
            }
            out += c;
        }
        if (i_ >= s_.size()) return false;
        ++i_;
        return true;
    }
    bool Value(Json& out, int depth) {
        if (depth > 64) return false;
        Space();
        if (i_ >= s_.size()) return false;
        const char c = s_[i_];
        if (c == '{') {
            out.Kind = Json::Type::Object;
            ++i_;
            Space();
            if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
            for (;;) {
                Space();
                std::string key;
                if (!String(key)) return false;
                Space();
                if (i_ >= s_.size() || s_[i_++] != ':') return false;
                if (!Value(out.Members[key], depth + 1)) return false;
                Space();
                if (i_ < s_.size() && s_[i_] == ',') {
                    ++i_;
                    continue;
                }
                if (i_ < s_.size() && s_[i_] == '}') return ++i_, true;
                return false;
            }
        }
        if (c == '[') {
            out.Kind = Json::Type::Array;
            ++i_;
            Space();
            if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
            for (;;) {
                out.Items.emplace_back();
                if (!Value(out.Items.back(), depth + 1)) return false;
                Space();
                if (i_ < s_.size() && s_[i_] == ',') {
                    ++i_;
                    continue;
                }
                if (i_ < s_.size() && s_[i_] == ']') return ++i_, true;
                return false;
            }
        }
        if (c == '"') {
            out.Kind = Json::Type::String;
            return String(out.Text);
        }
        if (Literal("true")) return out.Kind = Json::Type::Bool, out.Bool = true, true;
        if (Literal("false")) return out.Kind = Json::Type::Bool, true;
        if (Literal("null")) return true;
        const char* start = s_.c_str() + i_;
        char* end = nullptr;
        out.Number = std::strtod(start, &end);
        if (end == start) return false;
        out.Kind = Json::Type::Number;
        i_ += static_cast<std::size_t>(end - start);
        return true;
    }

    const std::string& s_;
    std::size_t i_ = 0;
};

struct Span {
    std::int64_t First = 0;
    std::int64_t Last = 0;
};

struct SyntheticTrain {
    std::string Kind;
    Span When;
};

struct Kl3Train {
    Span When;
    int Quality = 0;
    int Species = 0;
    bool Matched = false;
};

std::int64_t Number(const Json& o, const char* key) {
    const Json* v = o.Member(key);
    return v && v->Kind == Json::Type::Number ? static_cast<std::int64_t>(v->Number) : 0;
}

bool ReadTruth(const std::string& path, std::vector<SyntheticTrain>& trains, int& minutesPerMarker,
               std::string& error) {
    std::vector<std::uint8_t> bytes;
    int e = 0;
    if (!ReadWholeFile(path, bytes, &e)) {
        error = path + ": " + SystemErrorText(e);
        return false;
    }
    const std::string text(bytes.begin(), bytes.end());
    Json root;
    if (!JsonParser(text).Parse(root) || root.Kind != Json::Type::Object) {
        error = path + ": not a JSON object";
        return false;
    }
    minutesPerMarker = static_cast<int>(std::max<std::int64_t>(1, Number(root, "minutes_per_marker")));
    const Json* list = root.Member("trains");
    if (!list || list->Kind != Json::Type::Array) {
        error = path + ": no \"trains\" list";
        return false;
    }
    for (const Json& t : list->Items) {
        const Json* kind = t.Member("kind");
        if (t.Kind != Json::Type::Object || !kind || kind->Kind != Json::Type::String) continue;
        SyntheticTrain s;
        s.Kind = kind->Text;
        s.When.First = (Number(t, "minute") - 1) * TicksPerMinute + Number(t, "first_time");
        s.When.Last = (Number(t, "last_minute") - 1) * TicksPerMinute + Number(t, "last_time");
        trains.push_back(s);
    }
    return true;
}

// The trains of a KL3 file: the clicks of one minute with the same train id and slot.
bool ReadKl3Trains(const std::string& path, std::optional<MinuteNumber> start, int minutesPerMarker,
                   std::vector<Kl3Train>& trains, std::string& error) {
    BinaryFile file;
    if (!file.Open(path, BinaryFile::Mode::Read)) {
        error = path + ": " + file.LastErrorText();
        return false;
    }
    DataFileHeader header;
    if (file.ReadAt(0, header.Bytes.data(), header.Bytes.size()) != HeaderLength) {
        error = path + ": too short for a data file";
        return false;
    }
    const int R = header.RecordLength();
    if (R < 20) {
        error = path + ": not a KL3 file of 20-byte records";
        return false;
    }
    const std::int64_t firstOrdinal =
        start ? (static_cast<std::int64_t>(header.FirstMinute()) - *start) / minutesPerMarker + 1 : 1;
    std::map<std::pair<std::int64_t, int>, std::size_t> index; // (marker, id and slot) -> train
    std::int64_t marker = -1;
    std::vector<std::uint8_t> block(static_cast<std::size_t>(R) * 10'000);
    std::int64_t position = HeaderLength;
    for (;;) {
        const std::int64_t n = file.ReadAt(position, block.data(), block.size());
        if (n < R) break;
        const std::int64_t records = n / R;
        for (std::int64_t i = 0; i < records; ++i) {
            const std::uint8_t* r = block.data() + i * R;
            const int type = r[R - 1];
            if (type == TypeEndOfData) return true;
            if (type == TypeMinuteMarker) {
                ++marker;
                index.clear();
                continue;
            }
            if (type < FirstTrainId || type > LastTrainId || marker < 0) continue;
            const std::int64_t tick =
                (firstOrdinal + marker - 1) * TicksPerMinute + ((r[0] << 16) | (r[1] << 8) | r[2]);
            const auto key = std::make_pair(marker, type * 256 + r[16]);
            auto it = index.find(key);
            if (it == index.end()) {
                Kl3Train t;
                t.When = {tick, tick};
                t.Quality = r[18] & 3;
                t.Species = (r[18] >> 2) & 7;
                index[key] = trains.size();
                trains.push_back(t);
            } else {
                Kl3Train& t = trains[it->second];
                t.When.First = std::min(t.When.First, tick);
                t.When.Last = std::max(t.When.Last, tick);
            }
        }
        position += records * R;
    }
    return true;
}

int RightSpecies(const std::string& kind) {
    if (kind == "porpoise") return SpeciesPorpoise;
    if (kind == "dolphin") return SpeciesDolphin;
    if (kind == "sonar") return SpeciesBoatSonar;
    return -1;
}

struct KindScore {
    std::int64_t Trains = 0;
    std::int64_t Found = 0;
    std::int64_t Overlapped = 0;
    std::array<std::int64_t, 5> ClassedAs{};
};

int RunScore(Context& ctx, const std::string& kl3, const std::string& truthPath,
             const std::string& startText) {
    std::optional<MinuteNumber> start;
    if (!startText.empty()) {
        const auto t = ParseDateTimeText(startText);
        if (!t) {
            *ctx.err << "--start: not a date and time: " << startText << '\n';
            return ExitUsage;
        }
        start = t->Minute;
    }
    std::vector<SyntheticTrain> synthetic;
    int minutesPerMarker = 1;
    std::string error;
    if (!ReadTruth(truthPath, synthetic, minutesPerMarker, error)) {
        *ctx.err << error << '\n';
        return ExitFailure;
    }
    std::vector<Kl3Train> found;
    if (!ReadKl3Trains(kl3, start, minutesPerMarker, found, error)) {
        *ctx.err << error << '\n';
        return ExitFailure;
    }
    std::sort(found.begin(), found.end(),
              [](const Kl3Train& a, const Kl3Train& b) { return a.When.First < b.When.First; });

    std::map<std::string, KindScore> scores;
    for (const char* k : {"porpoise", "dolphin", "sonar"}) scores[k];
    for (const SyntheticTrain& s : synthetic) {
        KindScore& score = scores[s.Kind];
        ++score.Trains;
        const int right = RightSpecies(s.Kind);
        // KL3 trains never span a minute: only those starting up to a minute before can overlap.
        auto it = std::lower_bound(found.begin(), found.end(), s.When.First - TicksPerMinute,
                                   [](const Kl3Train& t, std::int64_t v) { return t.When.First < v; });
        bool any = false, hit = false;
        int bestQuality = -1, bestSpecies = -1;
        for (; it != found.end() && it->When.First <= s.When.Last; ++it) {
            if (it->When.Last < s.When.First) continue;
            it->Matched = true;
            any = true;
            if (it->Quality < QualityMod) continue;
            if (it->Species == right) hit = true;
            if (it->Quality > bestQuality) {
                bestQuality = it->Quality;
                bestSpecies = it->Species;
            }
        }
        if (any) ++score.Overlapped;
        if (hit) ++score.Found;
        if (hit)
            ++score.ClassedAs[static_cast<std::size_t>(right)];
        else if (bestSpecies >= 0 && bestSpecies < 5)
            ++score.ClassedAs[static_cast<std::size_t>(bestSpecies)];
    }

    std::ostream& out = *ctx.out;
    out << "kind\ttrains\tfound\tfound %\toverlapped\tPorp\tDol\tOther\tUnclass\tSonar\n";
    for (const auto& [kind, s] : scores) {
        out << kind << '\t' << s.Trains << '\t' << s.Found << '\t'
            << (s.Trains ? s.Found * 100 / s.Trains : 0) << '\t' << s.Overlapped;
        for (const auto c : s.ClassedAs) out << '\t' << c;
        out << '\n';
    }
    std::int64_t unmatched = 0, good = 0, goodUnmatched = 0;
    std::array<std::int64_t, 5> goodUnmatchedBySpecies{};
    for (const Kl3Train& t : found) {
        const bool isGood = t.Quality >= QualityMod;
        if (isGood) ++good;
        if (t.Matched) continue;
        ++unmatched;
        if (isGood) {
            ++goodUnmatched;
            if (t.Species < 5) ++goodUnmatchedBySpecies[static_cast<std::size_t>(t.Species)];
        }
    }
    out << "KL3 trains\t" << found.size() << "\tno synthetic train\t" << unmatched << '\n';
    out << "Mod or Hi trains\t" << good << "\tno synthetic train\t" << goodUnmatched;
    for (const auto c : goodUnmatchedBySpecies) out << '\t' << c;
    out << '\n';
    return ExitSuccess;
}

CommandRegistrar scoreTrainsCommands(61, [](CLI::App& app, Context& ctx) {
    auto* cmd = app.add_subcommand("score-trains",
                                   "Judge the trains of a KL3 file against the simulator's truth.json");
    cmd->footer(ScoreHelp);
    auto kl3 = std::make_shared<std::string>();
    auto truth = std::make_shared<std::string>();
    auto start = std::make_shared<std::string>();
    cmd->add_option("KL3", *kl3, "KL3 file")->required();
    cmd->add_option("TRUTH", *truth, "truth.json of the simulated card")->required();
    cmd->add_option("--start", *start,
                    "The deployment's first minute, when the KL3 file is not its first file");
    cmd->callback([&ctx, kl3, truth, start] { ctx.exitCode = RunScore(ctx, *kl3, *truth, *start); });
});

} // namespace
} // namespace kelp::cli
