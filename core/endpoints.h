#pragma once
// Saved endpoints: a start and an end minute kept in a data file's header that mark the
// part of the recording to use ("use endpoints, if set").
namespace kelp {

class Program;
class Host;

// The hints of the two mirrored options.
inline constexpr const char* UseEndpointsHint =
    "useful where you have set endpoints to exclude non-immersed or boat-influenced time";
inline constexpr const char* UseSavedEndpointsHint = "endpoints are virtual start and end times that can be "
                                                     "set and saved into the file to isolate, for example, a "
                                                     "period when only one species is present.";

// Writes the current shared range as the endpoints of every open file that covers it.
void SaveEndpoints(Program& program, Host& host);
// Puts every open file's endpoints back to its full range.
void DeleteSavedEndpoints(Program& program, Host& host);
// "use endpoints, if set" and its mirror "use saved endpoints": both take the state,
// then the shared range and the file information are refreshed.
void SetUseEndpoints(Program& program, Host& host, bool on);

} // namespace kelp
