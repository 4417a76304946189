#include "core/slots.h"

#include <algorithm>
#include <cctype>

#include "core/file_summary.h"
#include "core/filters.h"
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"

namespace kelp {

namespace {

constexpr std::int64_t EndCheckLimitBytes = 400'000'000;
constexpr const char* NoFilesOpenTitle = "KELP.exe v" KELP_VERSION_TEXT "   no files open";

std::string UpperExtension(const std::string& name) {
    const auto slash = name.find_last_of("/\\");
    const auto dot = name.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = name.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

void AddToBoth(FileSlot& s, const std::string& line) {
    s.SessionText.push_back(line);
    s.SettingsText.push_back(line);
}

// The logger number from the digits of header bytes 164..167; none gives logger 1.
void TakeLoggerNumber(FileSlot& s) {
    const std::string digits = s.Header.LoggerNumberDigits();
    if (digits.empty()) {
        s.LoggerNumber = 1;
        s.LoggerNumberText = "1";
        AddToBoth(s, "ERROR: KELP number missing. V1 assumed");
    } else {
        s.LoggerNumber = std::stoi(digits);
        s.LoggerNumberText = digits;
    }
    while (s.LoggerNumberText.size() < 5) s.LoggerNumberText.insert(0, "0");
}

void TakeSettings(Program& p, FileSlot& s) {
    s.EnvelopeReady = s.Header.EnvelopeReady();
    s.SettingsLayout = SlotSettingsLayout(s.LoggerNumber);
    const SettingsAreaReading area = s.Header.SettingsArea(s.SettingsLayout);
    if (p.Options.ForceDefaults) {
        s.SwitchAngleMin = 0;
        s.SwitchAngleMax = 120;
        s.MinutesPerMarker = 1;
    } else {
        s.SwitchAngleMin = area.SwitchAngleFrom;
        s.SwitchAngleMax = area.SwitchAngleTo;
        s.MinutesPerMarker = area.MinutesOff + 1;
    }
    p.Display.MinutesPerMarker = s.MinutesPerMarker;
    s.Gain = area.Gain;
    const std::int64_t limit = MinuteClickLimitOf(area.ClickLimit);
    s.MinuteClickLimit = limit > 0 ? limit : 999'999'999;
    s.FilterkHz = FilterkHzOf(s);
}

void TakeMinutes(FileSlot& s) {
    const DataFileHeader& h = s.Header;
    s.FirstMinute = h.FirstMinute() == 0 ? 1 : h.FirstMinute();
    s.LastMinute = h.LastMinute();
    s.EndpointStart = std::max(h.EndpointStart(), s.FirstMinute);
    s.EndpointEnd = std::min(h.EndpointEnd(), s.LastMinute);
    const std::int64_t span = static_cast<std::int64_t>(s.LastMinute) - s.FirstMinute;
    const std::size_t entries =
        (s.LastMinute < 1 || span > 1'051'199 || span < 0) ? 1440 : static_cast<std::size_t>(span + 10);
    s.Map.assign(entries, 0);
    s.Map[0] = HeaderLength; // the first minute marker follows the header
    s.MapCount = 0;
    s.MapReady = false;
}

// A file must end with two end-of-data records; a file without them gets them.
void CheckEnd(Program& p, Host& host, FileSlot& s) {
    if (s.FileSize >= EndCheckLimitBytes) return;
    const int n = 2 * s.RecordLength;
    std::vector<std::uint8_t> tail(static_cast<std::size_t>(n), 0);
    const std::int64_t got = s.File.ReadAt(s.FileSize - n, tail.data(), tail.size());
    const bool terminated =
        got == n && std::all_of(tail.begin(), tail.end(), [](std::uint8_t b) { return b == 255; });
    if (terminated) return;
    std::vector<std::uint8_t> end(static_cast<std::size_t>(n), 255);
    const std::int64_t before = s.File.Size();
    if (before < 0 || !s.File.WriteAt(before, end.data(), end.size())) {
        // A full disk may have taken part of them: the file is cut back to what it was.
        host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        if (before >= 0) s.File.Truncate(before);
        return;
    }
    if (p.Options.DevelopmentMode) host.ShowTimedMessage(Message2s, "255s written");
    const std::int64_t size = s.File.Size();
    if (size >= 0) s.FileSize = size;
}

void SetOpenButton(Program& p, const std::string& caption, int openCount) {
    p.OpenButtonCaption = caption;
    p.OpenButtonEnabled = openCount < SlotCount;
    p.FileCommandsEnabled = openCount > 0;
}

void FilesChanged(Program& p) {
    if (p.Display.OnFilesChanged) p.Display.OnFilesChanged();
}

bool IsMossOrCardFile(Host& host, const std::string& ext3) {
    if (ext3 == ".MZ") {
        host.ShowTimedMessage(Message5s, "This is a MOSS file that can be read using MOSS.exe");
        return true;
    }
    if (ext3 == ".OR") {
        host.ShowTimedMessage(Message5s,
                              "This is an SDcard file that can be read using from the 'Get KELP data' page");
        return true;
    }
    return false;
}

// The file of the same base name with another data extension, in upper or lower case.
std::string SiblingFile(const std::string& name, const std::string& upperExtension) {
    const std::string upper = WithExtension(name, upperExtension);
    if (FileExists(upper)) return upper;
    std::string lowerExtension = upperExtension;
    for (char& c : lowerExtension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string lower = WithExtension(name, lowerExtension);
    if (FileExists(lower)) return lower;
    return "";
}

} // namespace

std::string OpenCaptionAfterOpening(int openCount) {
    switch (openCount) {
    case 0:
        return "Open 1 to 3 files";
    case 1:
        return "Open 1 to 2 files";
    case 2:
        return "Open 1 file";
    default:
        return "Open file";
    }
}

std::string OpenCaptionAfterClosing(int openCount) {
    switch (openCount) {
    case 0:
        return "Open up to 3 files";
    case 1:
        return "Open up to 2 files";
    case 2:
        return "Open 1 file";
    default:
        return "Open file";
    }
}

bool OpenDataFile(Program& p, Host& host, const std::string& name, int slotIndex) {
    if (slotIndex < 1 || slotIndex > SlotCount) return false;
    FileSlot& s = p.Slot(slotIndex);
    const FileKind kind = FileKindFromName(name);
    if (kind == FileKind::None) {
        host.ShowTimedMessage(Message5s, "File type not recognised");
        return false;
    }
    host.SetBusyCursor(true);
    struct CursorRestore {
        Host& h;
        ~CursorRestore() { h.SetBusyCursor(false); }
    } cursorRestore{host};

    if (IsReadOnlyFile(name) && !ClearReadOnly(name)) {
        host.ShowTimedMessage(Message5s, name + " is read-only. Copy to hard disc or change status");
        return false;
    }
    if (s.IsOpen) {
        host.ShowTimedMessage(Message5s, std::string("Close file") + std::to_string(slotIndex) +
                                             " to make space for this file");
        return false;
    }
    if (!s.File.Open(name, BinaryFile::Mode::ReadWrite)) {
        const std::string error = s.File.LastErrorText();
        host.ShowTimedMessage(Message2s, error);
        host.ShowTimedMessage(Message5s, name + " not opened successfully.  (" + error + ")");
        ResetSlot(s);
        return false;
    }
    const std::int64_t size = s.File.Size();
    if (size < 390) {
        host.ShowTimedMessage(Message5s, name + " is too small to hold any data (0)");
        s.File.Close();
        ResetSlot(s);
        return false;
    }

    s.Kind = kind;
    s.FileSize = size;
    s.FullName = name;
    s.ShortName = ShortNameOf(name);
    s.IsOpen = true;
    s.MoreData = true;
    p.ProgressLabel.clear();
    p.DataPositionLabel.clear();
    p.ShowAsLabel.clear();
    p.ClickCountLabel.clear();
    s.Buffer.assign(ReadBufferBytes, 0);
    s.BufferPos = 0;
    s.BufferFill = 0;

    if (s.File.ReadAt(0, s.Header.Bytes.data(), s.Header.Bytes.size()) != DataFileHeader::Size) {
        host.ShowTimedMessage(Message2s, s.File.LastErrorText());
        s.File.Close();
        ResetSlot(s);
        return false;
    }
    s.LandmarksMarked = s.Header.LandmarksMarked();
    s.RecordLength = s.Header.RecordLength();
    s.HeaderLength = HeaderLength;
    s.BlockBytes = ReadBufferBytes / s.RecordLength * s.RecordLength;

    CheckEnd(p, host, s);

    s.RecordFormat = s.Header.RecordFormat();
    s.LoggerVersion = s.Header.LoggerVersion();
    s.TdaVersion = s.Header.TdaVersion();
    s.SessionText.clear();
    s.SettingsText.clear();
    TakeLoggerNumber(s);
    TakeSettings(p, s);
    TakeMinutes(s);
    s.HeaderClickCount = s.Header.ClickCount();

    if (s.LastMinute == 0 || s.LastMinute < s.FirstMinute) {
        if (!BuildMap(p, host, slotIndex, p.Options.RefreshMapFiles))
            host.ShowTimedMessage(Message5s,
                                  "There may be problems with this file, but let us see what happens ....");
    }

    const int openCount = p.OpenCount();
    p.Seek[static_cast<std::size_t>(slotIndex)].Enabled = true;
    s.ActiveStart = p.Options.UseEndpoints ? s.EndpointStart : s.FirstMinute;
    s.ActiveEnd = p.Options.UseEndpoints ? s.EndpointEnd : s.LastMinute;
    ComputeSharedRange(p, host);
    if (openCount == 1) p.Display.ReadPosition = {s.ActiveStart, 0};

    p.WindowTitle = "KELP file  " + s.ShortName;

    s.WaterDepth = s.Header.WaterDepth();
    s.DeploymentDepth = s.Header.DeploymentDepth();
    const auto session = SessionLines(p, s);
    const auto settings = SettingsLines(p, s);
    s.SessionText.insert(s.SessionText.end(), session.begin(), session.end());
    s.SettingsText.insert(s.SettingsText.end(), settings.begin(), settings.end());
    s.Notes = s.Header.Notes();
    s.Location = s.Header.Location();
    s.Latitude = s.Header.Latitude();
    s.Longitude = s.Header.Longitude();

    SetOpenButton(p, OpenCaptionAfterOpening(openCount), openCount);
    host.StateChanged(changed::Slots);
    if (!p.Options.BatchRunning) host.StateChanged(changed::ShowFilesPage);
    ShowFileInfo(p, host);
    FilesChanged(p);
    return true;
}

void CloseDataFile(Program& p, Host& host, int slotIndex) {
    if (slotIndex < 1 || slotIndex > SlotCount) return;
    FileSlot& s = p.Slot(slotIndex);
    const std::string notOpen = std::string("File ") + std::to_string(slotIndex) + "  not open";
    if (s.File.IsOpen() && !s.File.Close()) host.ShowTimedMessage(Message3s, s.File.LastErrorText());
    ResetSlot(s);
    s.SessionText = {notOpen};

    p.RangeLabel.clear();
    p.FromLabel.clear();
    p.ToLabel.clear();
    const int openCount = p.OpenCount();
    if (openCount == 0) {
        p.WindowTitle = NoFilesOpenTitle;
        p.Display.TimeSliderWidth = 0;
        p.ProgressLabel.clear();
        p.DataPositionLabel.clear();
        p.ShowAsLabel.clear();
        p.ClickCountLabel.clear();
    }
    SetOpenButton(p, OpenCaptionAfterClosing(openCount), openCount);
    if (openCount > 0) {
        p.WindowTitle = "KELP file  " + p.Slot(p.LowestOpenSlot()).ShortName;
        if (!p.Options.BatchRunning) ComputeSharedRange(p, host);
    }
    p.Seek[static_cast<std::size_t>(slotIndex)] = SeekBox{};
    host.StateChanged(changed::Slots);
    if (!p.Options.BatchRunning) {
        ShowFileInfo(p, host);
        RefreshSourceBox(p, host);
        if (openCount == 0) {
            p.SourceBox = {"No files open"};
            host.StateChanged(changed::SourceBox);
        }
    }
    FilesChanged(p);
}

void CloseAllFiles(Program& p, Host& host) {
    for (int i = 1; i <= SlotCount; ++i)
        if (p.Slot(i).IsOpen) CloseDataFile(p, host, i);
}

void OpenFiles(Program& p, Host& host) {
    if (p.OpenCount() >= SlotCount) {
        host.ShowMessage("No slot free for another file.  Please close a file and try again");
        return;
    }
    FileDialogRequest request;
    request.Title = "Open KELP data file";
    request.Filter = "KELP data files|*.KL*";
    request.InitialName = p.OpenDialogInitialName;
    request.MultiSelect = true;
    OpenChosenFiles(p, host, host.OpenFileDialog(request));
}

void OpenChosenFiles(Program& p, Host& host, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (p.OpenCount() >= SlotCount) break;
        int slot = 0;
        for (int i = 1; i <= SlotCount && slot == 0; ++i)
            if (!p.Slot(i).IsOpen) slot = i;
        if (slot == 0) {
            host.ShowMessage("No slot free for another file.  Please close a file and try again");
            return;
        }
        const std::string ext3 = UpperExtension(name).substr(0, 3);
        if (IsMossOrCardFile(host, ext3)) return;
        if (ext3 != ".KL")
            host.ShowTimedMessage(Message5s, "This may not be KELP file, but let's see what happens");
        OpenDataFile(p, host, name, slot);
    }
}

void OpenFileSet(Program& p, Host& host) {
    CloseAllFiles(p, host);
    FileDialogRequest request;
    request.Title = "Open KELP data file set";
    request.Filter = "KELP data files|*.KL*";
    request.InitialName = p.OpenDialogInitialName;
    const auto names = host.OpenFileDialog(request);
    if (names.empty()) {
        p.WindowTitle = "No file selected";
        host.StateChanged(changed::Slots);
        return;
    }
    OpenChosenFileSet(p, host, names.front());
}

void OpenChosenFileSet(Program& p, Host& host, const std::string& name) {
    CloseAllFiles(p, host);
    const std::string ext3 = UpperExtension(name).substr(0, 3);
    if (IsMossOrCardFile(host, ext3)) return;
    if (ext3 != ".KL") {
        host.ShowTimedMessage(Message5s, "This is not a KELP data file");
        return;
    }
    int next = 1;
    const std::string kl1 = SiblingFile(name, ".KL1");
    if (!kl1.empty()) {
        OpenDataFile(p, host, kl1, 1);
        next = 2;
    } else {
        host.ShowTimedMessage(Message3s, WithExtension(name, ".KL1") + " not found.");
    }
    if (p.Options.DevelopmentMode) {
        const std::string kl2 = SiblingFile(name, ".KL2");
        if (!kl2.empty()) {
            OpenDataFile(p, host, kl2, next);
            ++next;
        }
    }
    const std::string kl3 = SiblingFile(name, ".KL3");
    if (!kl3.empty()) {
        if (OpenDataFile(p, host, kl3, next)) p.Seek[static_cast<std::size_t>(next)].Ticked = true;
        p.Display.MinimumClicksPerScreen = std::string(1, '2');
        host.StateChanged(changed::Slots);
    } else {
        host.ShowTimedMessage(
            Message5s,
            ".KL3 file not found. You can create it by processing the .KL1 file via the Trains page");
    }
}

bool ComputeSharedRange(Program& p, Host& host) {
    if (p.Options.TimeSelectionSet) {
        host.ShowMessage(
            "A time selection is currently set.  To remove it right-click in the display area and "
            "click 'Clear selection'");
        return false;
    }
    p.SharedStart = 1'234'567'890;
    p.SharedEnd = -12'345'678;
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (!s.IsOpen) continue;
        if (p.Options.UseEndpoints) {
            s.ActiveStart = s.EndpointStart;
            s.ActiveEnd = s.EndpointEnd;
        } else {
            s.ActiveStart = s.FirstMinute;
            s.ActiveEnd = s.LastMinute;
        }
        p.SharedStart = std::min(p.SharedStart, s.ActiveStart);
        p.SharedEnd = std::max(p.SharedEnd, s.ActiveEnd);
    }
    host.StateChanged(changed::FileInfo);
    return true;
}

void ShowFileInfo(Program& p, Host& host) {
    if (p.OpenCount() == 0) {
        p.RangeLabel = "Range";
        p.FromLabel = "From:";
        p.ToLabel = "To:";
    } else {
        p.RangeLabel = "Range " + DurationText(p.SharedMinutes());
        if (p.SharedStart > 1) {
            p.FromLabel = "From: " + DateTimeText(p.SharedStart);
            p.ToLabel = "To:    " + DateTimeText(p.SharedEnd);
        }
    }
    for (int i = 1; i <= SlotCount; ++i) {
        FileSlot& s = p.Slot(i);
        if (s.IsOpen) {
            s.NameLabel = s.ShortName;
            s.KelpIdLabel = std::string("KELP ") + std::to_string(s.LoggerNumber);
            s.LocationBox = s.Location;
            s.NotesBox = s.Notes;
            s.DeploymentDepthBox = std::to_string(s.DeploymentDepth);
            s.WaterDepthBox = std::to_string(s.WaterDepth);
            s.LatitudeBox = s.Latitude;
            s.LongitudeBox = s.Longitude;
            s.StartLabel = "Start " + DateTimeText(s.ActiveStart);
            s.EndLabel = "End  " + DateTimeText(s.ActiveEnd);
            s.DurationLabel = DurationText(static_cast<std::int64_t>(s.LastMinute) - s.FirstMinute) + "/" +
                              DurationText(static_cast<std::int64_t>(s.EndpointEnd) - s.EndpointStart);
        } else {
            s.NameLabel = VacantLabel(i);
            s.KelpIdLabel.clear();
            s.LocationBox.clear();
            s.NotesBox.clear();
            s.DeploymentDepthBox.clear();
            s.WaterDepthBox.clear();
            s.LatitudeBox.clear();
            s.LongitudeBox.clear();
            s.StartLabel.clear();
            s.EndLabel.clear();
            s.DurationLabel.clear();
        }
    }
    host.StateChanged(changed::FileInfo);
    if (!p.Options.BatchRunning) RefreshSourceBox(p, host);
}

} // namespace kelp
