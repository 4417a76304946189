#pragma once
// The cluster finder: the first stage of train detection. It reads the KL1 file in
// slot 1 minute by minute and writes its KL2 file (and, for large files, the ".k2m"
// map), in which every click carries its band, its gap to the previous louder click of
// its band and its cluster status, and clicks that start a cluster are preceded by a
// cluster summary record.
#include <cstdint>
#include <string>

namespace kelp {

class Program;
class Host;

inline constexpr const char* WrongFileTypeText = "Wrong file type.";
inline constexpr const char* DiscFullText = "Disc Full Error";
inline constexpr const char* FindingClustersText = "finding click clusters ...";
inline constexpr const char* AnalysingClustersText = "analysing clusters";

// What a run of the cluster finder did.
struct ClusterRunSummary {
    std::string Name;          // the KL2 file written; empty when none was
    std::int64_t Minutes = 0;  // minute markers written
    std::int64_t Clicks = 0;   // KL1 click records read
    std::int64_t Records = 0;  // KL2 click and summary records written
    std::int64_t Clusters = 0; // cluster summary records among them
    bool MapWritten = false;   // a ".k2m" map file was written
    bool InputDamaged = false; // the KL1 file ended early or held records of no known type
};

// MakeClusterFile: writes the KL2 file of the KL1 file open in slot 1, with the version
// and pre-filter settings of the program's train detection settings. Closes slot 1 at
// the end and, unless a batch is running, opens the new KL2 file in slot 1. Returns the
// KL2 file name, empty on failure (with a message shown).
std::string MakeClusterFile(Program& program, Host& host, ClusterRunSummary* summary = nullptr);

} // namespace kelp
