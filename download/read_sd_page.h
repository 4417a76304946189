#pragma once
// The "Read SD" page as the download sees it: the start time boxes and their evaluation,
// the boxes for the proposed file name and the deployment notes, the blanks limit, the
// three report lists and the labels. It lives for the whole run (Program::State).
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/time.h"
#include "download/sd_card.h"

namespace kelp {

class Program;

// Lengths of the text boxes.
inline constexpr std::size_t FileNameLocationLength = 60;
inline constexpr std::size_t DeploymentLocationLength = 31;
inline constexpr std::size_t NotesLength = 44;
inline constexpr std::size_t LatLongLength = 8;

struct ReadSDPage {
    // "Time KELP STARTED": yyyy, mm, dd, hr(24), min.
    std::string StartYear = "2010";
    std::string StartMonth = "1";
    std::string StartDay = "2";
    std::string StartHour = "3";
    std::string StartMinute = "4";
    // 0 until the boxes have been evaluated.
    MinuteNumber StartMinuteNumber = 0;
    // Shown beside the boxes: the date and time, or "error" (in red) for boxes that do not
    // make a valid time; and the start minute as a number.
    std::string StartTimeText;
    bool StartTimeError = false;
    std::string StartMinuteText;

    // "Data for file name": used only to propose the first file's name.
    std::string FileNameLocation;
    std::string NameYear = "0";
    std::string NameMonth = "0";
    std::string NameDay = "0";

    // "Deployment notes", stored in the KL1 header.
    std::string Location;
    std::string Notes;
    std::string Lat;
    std::string Long;
    std::string WaterDepth = "0";
    std::string DeploymentDepth = "0";

    // "Stop after                    blanks".
    std::string BlanksText = "10";
    // "open file when finished".
    bool OpenFileWhenFinished = true;

    // The three report lists.
    std::vector<std::string> UploadList;
    std::vector<std::string> SummaryList;
    std::vector<std::string> ErrorsList;
    // The label captioned "minutes read: 0" and the click count label.
    std::string MinutesReadLabel = "minutes read: 0";
    std::string ClickCountLabel;
    // The progress caption.
    std::string ProgressCaption;
    // The block number box beside "Show block" and the caption of "verify DATA0", which
    // counts the minutes while the check runs.
    std::string BlockNumberText = "1";
    std::string VerifyCaption = "verify DATA0";

    // Folders used last since the program started, for the card and for the KL1 file.
    std::string LastCardFolder;
    std::string LastSaveFolder;

    // True while a conversion runs: the main window's key handling is off meanwhile.
    bool Converting = false;
    // The program's header buffer: the card's first block as last read.
    SDHeaderBlock HeaderBuffer;
};

// The page of the program's window, made with its defaults on first use.
ReadSDPage& ReadSDPageOf(Program& program);

// Re-evaluates the start time boxes: a valid time becomes the start minute and is shown;
// anything else shows "error" and leaves the start minute as it was.
void StartTimeChanged(ReadSDPage& page);
// "Paste 'now' " beside the start time: fills the five boxes with the given minute.
void PasteNowIntoStartTime(ReadSDPage& page, MinuteNumber now);
// "Paste 'now' " beside the file name date: fills the three date boxes with its date.
void PasteNowIntoNameDate(ReadSDPage& page, MinuteNumber now);
// A non-number in the year box becomes "20", in the month or day box "1".
void NameDateChanged(ReadSDPage& page);
// A non-number in a depth box becomes "0".
void DepthsChanged(ReadSDPage& page);
// A non-number or a value below 2 becomes "2".
void BlanksChanged(ReadSDPage& page);
// The blanks limit in use: never below 2.
int BlanksLimit(const ReadSDPage& page);
// Cuts the text boxes to their lengths.
void TextBoxesChanged(ReadSDPage& page);

// Parses a box holding a whole number (blanks around it allowed).
bool ParseBoxNumber(const std::string& text, long long& value);

} // namespace kelp
