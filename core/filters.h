#pragma once
// The click and train filters: entering their settings, the tests every reader applies,
// and the texts that describe them on the display's source box and the export page.
#include <string>

#include "core/filter_settings.h"
#include "core/program.h"
#include "core/records.h"

namespace kelp {

class Program;
class Host;
struct FileSlot;

// Entry of a range box's text. A text that does not parse as a decimal integer puts the
// box's fallback text back (so does a negative duration minimum). Then the filter texts
// and the source box are refreshed. Returns true when the text was taken as typed.
bool EnterFilterText(Program& program, Host& host, FilterBox box, const std::string& text);
// A double-click on a range box: its initial text ("no filter") comes back.
void RestoreFilterDefault(Program& program, Host& host, FilterBox box);
// "weak filter", "Min clstr status", "exact clstr status": parsed without a refresh; a
// text that does not parse puts the box's initial text back. True when taken as typed.
bool EnterWeakFilter(Program& program, Host& host, const std::string& text);
bool EnterMinClusterStatus(Program& program, Host& host, const std::string& text);
bool EnterExactClusterStatus(Program& program, Host& host, const std::string& text);
// Option "b1": only clicks of cluster band value 76 pass.
void SetClusterBand1(Program& program, Host& host, bool on);

// "ignore filters   (F4)" and "ignore all filters" (both boxes follow).
void SetIgnoreFilters(Program& program, Host& host, bool on);
// Quality boxes by class (0 "?", 1 "Lo", 2 "Mod", 3 "Hi"), "All Q (F3)", species boxes by class.
void SetQualityBox(Program& program, Host& host, int quality, bool ticked);
void SetAllQualities(Program& program, Host& host, bool ticked);
void SetSpeciesBox(Program& program, Host& host, int species, bool ticked);

// The ICI boxes of the display's seek: the upper box puts "1000" back above 1000 and "2"
// back for a non-number; the lower box puts "2000" back below 100 or for a non-number.
bool EnterUpperIci(Program& program, Host& host, const std::string& text);
bool EnterLowerIci(Program& program, Host& host, const std::string& text);
// Clicking "on/off": flips the ICI filter; with no seek box ticked and a file open, the
// lowest open slot's seek box is ticked.
void ToggleIciFilter(Program& program, Host& host);

// "Apply minute limit of": sets the limit by its label value ("0" means no limit), or
// steps it 0 -> 1024 -> 4096 -> 65536 -> 0 as a click on the label does.
bool SetMinuteLimit(Program& program, Host& host, long value);
void StepMinuteLimit(Program& program, Host& host);

// Parses a decimal integer the way the entry boxes do (optional sign, digits, 32 bits).
bool ParseFilterInteger(const std::string& text, std::int32_t& value);

// The class and type filters: KL3 quality and species, the KL2 type byte, cluster band 1.
bool PassesClassFilters(const Program& program, const FileSlot& slot, const ClickRecord& click, int type);
// The minute click limit and the numeric filters (defined below: every reader calls it per click).
inline bool PassesClickFilters(const Program& program, const FileSlot& slot, const ClickRecord& click);

// Rebuilds ClickFilterText and TrainFilterText.
void DescribeFilters(Program& program);
// Rebuilds the display's source box, its title label and the export page's filter labels.
void RefreshSourceBox(Program& program, Host& host);

inline bool PassesClickFilters(const Program& p, const FileSlot& s, const ClickRecord& c) {
    const ClickFilter& f = p.Clicks;
    if (p.AcceptedInMinute > p.MinuteLimit) return false;
    if (c.Ncyc + c.SPL / 2 < f.Weak.Value) return false;
    if (!f.Duration.Passes(c.Ncyc)) return false;
    if (!f.Bandwidth.Passes(c.BW)) return false;
    if (!f.Frequency.Passes(c.kHz)) return false;
    if (!f.Amplitude.Passes(c.SPL)) return false;
    if (!f.Envelope.Passes(c.Envelope & 15)) return false;
    if (s.Kind == FileKind::KL2) {
        if (c.ClassCode < f.MinClusterStatus.Value) return false;
        if (f.ExactClusterStatus.Value < 5 && c.ClassCode != f.ExactClusterStatus.Value) return false;
    }
    return true;
}

} // namespace kelp
