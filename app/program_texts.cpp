#include "app/program_texts.h"

namespace kelp {

std::vector<std::string> WelcomeLines() {
    return {"Welcome to KELP.exe   v" KELP_VERSION_TEXT "   (3 May 2010)",
            "Information on the current display is shown in this box and can be copied if required", "",
            std::string("Please send your comments, problems and wishes for this program to ") +
                FeedbackAddress};
}

const std::array<const char*, FixedTextLineCount>& FixedTextLines() {
    static const std::array<const char*, FixedTextLineCount> lines = {
        "Some tips for using KELP",
        "Open up to three files at once: they share one time axis, one band each.",
        "'Open file set' opens the KL1 and KL3 files of one deployment together.",
        "Click a file's name label to close that file.",
        "Click a time scale above the display to choose it; '-All-' fits the whole range.",
        "Click a parameter caption to show frequency, cycles, SPL, classes and more.",
        "The scales from 10us to 100ms per pixel show single clicks.",
        "The scales from 1 minute to 1 week show counts of clicks in bins.",
        "KL1 files hold every click the logger recorded; keep them safe.",
        "KL3 files hold only the clicks of the trains found, with their classes.",
        "Train quality classes: Hi, Mod, Lo and ? (doubtful).",
        "Most studies use only Hi and Mod trains, the default train filter.",
        "Species groups: porpoise-like, dolphins, other cetaceans, unclassed, boat sonars.",
        "Click filters narrow every display, analysis and export at once.",
        "Double-click a click filter box to put its 'no filter' value back.",
        "A text that is not a number is replaced by the box's default at once.",
        "The source box names the view, the filters in force and the open files.",
        "Text in the source box can be selected and copied.",
        "Endpoints saved in a file mark the part of the recording to use.",
        "Tick 'use endpoints, if set' to work within the saved endpoints.",
        "The Metadata page shows each file's session and settings summaries.",
        "A gain warning on the Metadata page means the logger was set unusually.",
        "The Results page collects lines from exports and batch runs.",
        "Results are tab-separated, ready to paste into a spreadsheet.",
        "'Copy to Clipboard' leaves the results in place; 'Cut' empties the page.",
        "Double-click the results text to empty it.",
        "Unsaved results are offered for saving when the program closes.",
        "Status messages close by themselves, or at once with OK or any key.",
        "The progress bar and label under the display show long operations.",
        "Large files get a map file (.k1m, .k3m) so that any minute is found at once.",
        "Tick 'refresh map files' and re-open the files if KL1 and KL3 files do not match.",
        "Each file's band shows its tilt angle above it when 'angle' is ticked.",
        "The Y scale box sets pixels per unit of the value shown.",
        "The KL1/ divisor scales down the counts of KL1 files in bin views.",
        "The computer is kept awake while an SD card is being read.",
    };
    return lines;
}

} // namespace kelp
