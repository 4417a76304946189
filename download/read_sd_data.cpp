#include "download/read_sd_data.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/header.h"
#include "core/records.h"
#include "core/slots.h"
#include "core/unfinished_files.h"
#include "download/click_conversion.h"
#include "download/sd_card.h"

namespace kelp {

namespace {

constexpr int KL1RecordSize = 10;
constexpr int MinuteBufferBytes = 655'380;
constexpr std::int64_t MinuteClickCap = 65'536;
constexpr std::int64_t TerminatorBytes = 20;
constexpr std::int64_t EmptyFileBelow = 370;
constexpr std::int64_t MapKeptFrom = 12'000'000;
constexpr int LastOutputFile = 12;
constexpr std::int64_t NoDurationStandIn = 1'234'567'890;
constexpr MinuteNumber EarliestStart = 56'940'000; // 3 April 2008 16:00
constexpr std::int64_t FutureCheckBelow = 720'000;
constexpr std::int64_t UnknownSizeBlocks = 2'000'000;
constexpr std::int64_t UnknownSizeBlocksPerFile = 2'200'000;
constexpr std::size_t BlankLinesMax = 100;
constexpr std::size_t TimeErrorLinesMax = 500;
constexpr int BlankBytesShown = 101;
constexpr std::size_t MapEntriesPerWrite = 4096;
constexpr const char* PartSuffix = ".part";

std::string UpperCase(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string AbsolutePath(const std::string& path) {
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.lexically_normal().string();
}

// One KL1 output file and its map file, written under temporary names and given their
// final names when the file is closed.
struct OutputFile {
    std::string Name; // final name
    BinaryFile Data;
    BinaryFile Map;
    bool HasMap = false;
    bool MapFailed = false;
    std::vector<std::uint8_t> MapPending;
    std::int64_t Size = 0;

    std::string MapName() const { return WithExtension(Name, ".k1m"); }
    bool IsOpen() const { return Data.IsOpen(); }

    void AddMapEntry(std::int64_t position) {
        if (!HasMap) return;
        std::uint8_t entry[8];
        WriteLE64(entry, position);
        MapPending.insert(MapPending.end(), entry, entry + 8);
        if (MapPending.size() >= MapEntriesPerWrite * 8) FlushMap();
    }
    void DropLastMapEntry() {
        if (HasMap && MapPending.size() >= 8) MapPending.resize(MapPending.size() - 8);
    }
    void FlushMap() {
        if (!HasMap || MapPending.empty()) return;
        if (!MapFailed && !Map.Append(MapPending.data(), MapPending.size())) MapFailed = true;
        MapPending.clear();
    }
    // Removes the temporary files of a file that is not to be kept.
    void Discard() {
        Data.Close();
        Map.Close();
        RemoveFile(Name + PartSuffix);
        RemoveFile(MapName() + PartSuffix);
        HasMap = false;
        Settled();
    }
    // The temporary files were renamed or removed: a run ended at once leaves them be.
    void Settled() const {
        ForgetUnfinishedFile(Name + PartSuffix);
        ForgetUnfinishedFile(MapName() + PartSuffix);
    }
};

class Converter {
public:
    Converter(Program& program, Host& host, ReadSDPage& page, const DownloadEnvironment& env)
        : program_(program), host_(host), page_(page), env_(env),
          chunkBytes_(std::max<std::int64_t>(env.Limits.ChunkBytes, 64)) {}
    ~Converter() {
        // Only an exception leaves a file open here: keep no half file under a final name.
        if (out_.IsOpen()) out_.Discard();
        page_.Converting = false;
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    DownloadResult Run();

private:
    MinuteNumber Now() const { return env_.Now ? env_.Now() : CurrentMinute(); }
    void AddUpload(const std::string& line) { page_.UploadList.push_back(line); }
    void AddSummary(const std::string& line) { page_.SummaryList.push_back(line); }
    void AddError(const std::string& line) { page_.ErrorsList.push_back(line); }

    bool Start();
    bool ChooseCard();
    void BuildHeader();
    bool CreateFirstFile();
    bool CreateOutput(const std::string& name);
    void Decode();
    void DecodeMarker();
    void DecodeClick();
    bool DecodeClickRun();
    void WriteMinute();
    void CloseCurrentFile(bool startNext);
    void KeepUnclosedFile();
    void GetNextBlock(bool first);
    std::int64_t ReadSource(std::int64_t offset);
    bool OpenNextSource();
    bool Ensure(int need, int whole);
    void FinishAtEnd();
    void Finish();

    Program& program_;
    Host& host_;
    ReadSDPage& page_;
    const DownloadEnvironment& env_;
    const std::int64_t chunkBytes_;
    DownloadResult result_;

    // Card.
    std::string cardFolder_;
    std::string data0Name_;
    BinaryFile source_;
    std::string sourceName_;
    int sourceNumber_ = 0;
    std::int64_t sourceNext_ = 0; // file offset after the last read
    std::int64_t sourceSize_ = 0;
    bool headerReadFailed_ = false;
    bool sizeKnown_ = false;
    bool endOfInput_ = false;
    bool progressShown_ = false;

    // Conversion settings taken at the start.
    MinuteNumber conversionStart_ = 0;
    std::int64_t overallMinutes_ = 0; // T
    MinuteNumber fileStart_ = 0;      // S
    int loggerNumber_ = 0;
    int blanksLimit_ = 2;
    DataFileHeader header_;
    std::string firstName_;

    // Input buffer.
    std::vector<std::uint8_t> buf_;
    std::int64_t fill_ = 0;
    std::int64_t pos_ = 0;
    std::int64_t lastRead_ = 0;

    // Minute buffer.
    std::vector<std::uint8_t> minute_;
    std::size_t minuteBytes_ = 0;
    std::int64_t clicksInMinute_ = 0;
    int minuteTrailingBlanks_ = 0;
    bool minuteFull_ = false;
    std::int32_t previousTime_ = 0;

    // Counters.
    std::int64_t minuteCount_ = 0;
    std::int64_t minutesInFile_ = 0;
    std::int64_t clicksInFile_ = 0;
    int blankRun_ = 0;
    std::int64_t timestampDefects_ = 0;
    std::int64_t bytesWritten_ = 0;
    std::int64_t blocksRead_ = 0;
    std::int64_t streamConsumed_ = 0;
    int outputNumber_ = 1;
    int fileTrailingBlanks_ = 0;
    bool stop_ = false;
    bool suppressPreStart_ = false;

    OutputFile out_;
    std::unique_ptr<ClickConverter> converter_;
};

DownloadResult Converter::Run() {
    if (!Start()) {
        if (progressShown_) host_.EndProgress("");
        return result_;
    }
    result_.Started = true;
    page_.Converting = true;
    host_.StateChanged("ReadSD");
    {
        // The computer must not sleep while the card is decoded, however the decoding ends.
        KeepAwakeScope awake(host_.KeepAwake());
        minute_.assign(MinuteBufferBytes, 0);
        buf_.assign(static_cast<std::size_t>(chunkBytes_), 0);
        page_.ErrorsList.clear();
        stop_ = false;
        sourceNext_ = SDBlockSize;
        GetNextBlock(true);
        Decode();
    }
    Finish();
    page_.Converting = false;
    host_.StateChanged("ReadSD");
    return result_;
}

// Steps before the first record is read; false ends the operation without output.
bool Converter::Start() {
    if (page_.StartMinuteNumber == 0) StartTimeChanged(page_);
    if (page_.StartMinuteNumber < EarliestStart && !host_.AskYesNo(EarlyStartQuestion)) return false;
    if (!ChooseCard()) return false;

    conversionStart_ = Now();
    SDHeaderBlock& block = page_.HeaderBuffer;
    block.Bytes.fill(0);
    const std::int64_t n = source_.ReadAt(0, block.Bytes.data(), block.Bytes.size());
    if (n != SDBlockSize) {
        headerReadFailed_ = true;
        const std::string text = n < 0 ? source_.LastErrorText() : "Reached the end of the file.";
        AddUpload("Error reading header from DATA0 file: " + text);
    }
    BuildHeader();

    overallMinutes_ = block.OverallMinutes();
    if (overallMinutes_ == 0) overallMinutes_ = NoDurationStandIn;
    fileStart_ = page_.StartMinuteNumber + 1;
    if (overallMinutes_ > 0 && overallMinutes_ < FutureCheckBelow &&
        std::int64_t{fileStart_} + overallMinutes_ > std::int64_t{Now()} + 1 &&
        host_.AskYesNo(FutureEndQuestion))
        return false;

    const std::uint32_t blocks = std::min<std::uint32_t>(block.BlocksLogged(), SDNoSizeMarker);
    sizeKnown_ = blocks != 0 && blocks != SDNoSizeMarker;
    const std::string caption = "Converting DATA0.ORV to *.KL1 file on PC";
    page_.ProgressCaption = caption;
    progressShown_ = true;
    if (!sizeKnown_) {
        host_.StartProgress(caption, UnknownSizeBlocks, 0);
        AddUpload("No data summary found, so no indication of file size");
    } else {
        host_.StartProgress(caption, blocks, 0);
        AddUpload("\t\tData reported  " + DurationText(overallMinutes_) + "    " +
                  ThousandsText(blocks / 2048) + "Mb");
    }

    header_.SetFirstMinute(fileStart_);
    header_.SetCreatedMinute(conversionStart_);
    header_.SetOriginalFirstMinute(fileStart_);
    header_.SetEndpointStart(fileStart_);

    loggerNumber_ = block.LoggerNumber();
    const std::string proposal = ProposedFileName(page_, loggerNumber_);

    const int kind = EnvelopeCodingKindFor(loggerNumber_);
    header_.SetEnvelopeKindTwoFlag(kind == 2 ? 1 : 0);
    header_.SetEnvelopeCodingKind(static_cast<std::uint8_t>(kind));
    converter_ = std::make_unique<ClickConverter>(kind);

    const int delay = StartDelayFrom(block, loggerNumber_);
    if (delay != 0) {
        host_.ShowTimedMessage(Message3s, "Start was delayed by " + std::to_string(delay) + " mins");
        fileStart_ += delay;
        header_.SetFirstMinute(fileStart_);
        header_.SetOriginalFirstMinute(fileStart_);
        header_.SetEndpointStart(fileStart_);
    }

    FileDialogRequest save;
    save.Title = "Save KELP data file to PC as *.kl1 file ";
    save.Filter = "KELP data file|*.KL1|All files|*.*";
    save.InitialName = proposal + ".KL1";
    save.InitialFolder = page_.LastSaveFolder;
    const auto chosen = host_.SaveFileDialog(save);
    if (!chosen || chosen->empty()) return false;
    page_.LastSaveFolder = FolderOf(*chosen);
    firstName_ = AbsolutePath(WithExtension(*chosen, ".KL1"));

    // Keeps the conversion off the card itself: the path must name a KELP folder or file.
    if (UpperCase(firstName_).find("KELP") == std::string::npos) {
        host_.ShowMessage(
            "You may have tried to save the file to the SD card, or to another folder with a name that "
            "does not include the word 'KELP' or 'kelp'");
        host_.ShowMessage(
            "This requirement is purely to prevent accidental damage to the special formatting of the "
            "SD card");
        return false;
    }
    if (headerReadFailed_) {
        host_.ShowMessage("Failed to create this PC data file :  " + firstName_);
        return false;
    }
    blanksLimit_ = BlanksLimit(page_);
    return CreateFirstFile();
}

bool Converter::ChooseCard() {
    FileDialogRequest open;
    open.Title = "Open 'DATA0.ORV' on SD card  ";
    open.Filter = "SD card files *.ORV|*.ORV|All files|*.*";
    open.InitialName = "DATA0.ORV";
    open.InitialFolder = page_.LastCardFolder;
    const auto chosen = host_.OpenFileDialog(open);
    if (chosen.empty() || chosen.front().empty()) return false;
    const std::string& path = chosen.front();
    page_.LastCardFolder = FolderOf(path);
    const std::string name = ShortNameOf(path);
    if (!HasOrvExtension(name)) return false;
    if (!IsData0Name(name)) {
        host_.ShowMessage("Data copying must start with file DATA0.ORV");
        return false;
    }
    if (!source_.Open(path, BinaryFile::Mode::Read)) {
        host_.ShowMessage("File " + path + "not opened successfully");
        return false;
    }
    cardFolder_ = FolderOf(path);
    data0Name_ = name;
    sourceName_ = path;
    sourceNumber_ = 0;
    sourceSize_ = source_.Size();
    return true;
}

// The KL1 header from the card's first block and the deployment notes.
void Converter::BuildHeader() {
    const SDHeaderBlock& block = page_.HeaderBuffer;
    std::copy_n(block.Bytes.begin(), DataFileHeader::Size, header_.Bytes.begin());
    std::fill(header_.Bytes.begin() + 2, header_.Bytes.begin() + 64, std::uint8_t{0});
    header_.SetFormatCode(FormatCodeKL1);
    header_.SetRecordLengthByte(KL1RecordSize);
    header_.SetEnvelopeReady(true);
    header_.SetEnvelopeKindTwoFlag(0);
    header_.SetLatitude(page_.Lat.substr(0, LatLongLength));
    header_.SetLongitude(page_.Long.substr(0, LatLongLength));
    long long depth = 0;
    header_.SetDeploymentDepth(ParseBoxNumber(page_.DeploymentDepth, depth) ? static_cast<int>(depth & 0xFFFF)
                                                                            : 0);
    header_.SetWaterDepth(ParseBoxNumber(page_.WaterDepth, depth) ? static_cast<int>(depth & 0xFFFF) : 0);
    header_.SetLocation(page_.Location.substr(0, DeploymentLocationLength));
    // The notes replace only as many bytes as they have; the rest keep the card's bytes.
    const std::string notes = page_.Notes.substr(0, NotesLength);
    std::copy(notes.begin(), notes.end(), header_.Bytes.begin() + 211);
}

bool Converter::CreateOutput(const std::string& name) {
    out_ = OutputFile{};
    out_.Name = name;
    // A run ended at once (Ctrl+C on the command line) removes the file being written.
    if (!NoteUnfinishedFile(name + PartSuffix, name) ||
        !NoteUnfinishedFile(out_.MapName() + PartSuffix, out_.MapName()))
        return false;
    if (!out_.Data.Open(name + PartSuffix, BinaryFile::Mode::Create)) return false;
    out_.HasMap = out_.Map.Open(out_.MapName() + PartSuffix, BinaryFile::Mode::Create);
    if (!out_.HasMap) host_.ShowTimedMessage(Message2s, out_.Map.LastErrorText());
    return true;
}

bool Converter::CreateFirstFile() {
    if (!CreateOutput(firstName_)) {
        AddUpload("Failed to create .KL1 file: " + out_.Data.LastErrorText());
        return false;
    }
    if (!out_.Data.WriteAt(0, header_.Bytes.data(), DataFileHeader::Size)) {
        AddUpload("Failed to write header to first .KL1 file: " + out_.Data.LastErrorText());
        out_.Discard();
        return false;
    }
    out_.Size = DataFileHeader::Size;
    bytesWritten_ = DataFileHeader::Size;
    return true;
}

std::int64_t Converter::ReadSource(std::int64_t offset) {
    if (env_.ReadFault && env_.ReadFault(sourceNumber_, offset)) return -1;
    const std::int64_t n = source_.ReadAt(offset, buf_.data(), static_cast<std::size_t>(chunkBytes_));
    if (n >= 0) sourceNext_ = offset + n;
    return n;
}

// GetNextBlock: refills the input buffer, moving on to the next data file at the end of one.
void Converter::GetNextBlock(bool first) {
    for (;;) {
        host_.ProcessEvents();
        if (host_.StopRequested()) {
            stop_ = true;
            result_.StoppedByUser = true;
            AddUpload("Download stopped by user before end of data");
            CloseCurrentFile(false);
            return;
        }
        blocksRead_ += (lastRead_ - SDOverlapBytes) / SDBlockSize;
        bool openedNext = false;
        if (!first && sourceNext_ >= sourceSize_) {
            if (!OpenNextSource()) return;
            openedNext = true;
        }
        // The r bytes not yet decoded are the last r of the 10 bytes that the new chunk repeats;
        // after a move to the next file, its first 10 bytes stand in for them.
        const std::int64_t r = std::clamp<std::int64_t>(fill_ - pos_, 0, SDOverlapBytes);
        const std::int64_t from = (first || openedNext) ? sourceNext_ : sourceNext_ - SDOverlapBytes;
        const std::int64_t n = ReadSource(from);
        if (n < 0) {
            AddUpload("Unable to read from " + sourceName_);
            stop_ = true;
            result_.ReadFailed = true;
            return;
        }
        fill_ = n;
        lastRead_ = n;
        pos_ = first ? 0 : SDOverlapBytes - r;
        suppressPreStart_ = first && pos_ < fill_ && buf_[static_cast<std::size_t>(pos_)] != SDMarkerByte;
        if (n < SDOverlapBytes) {
            host_.ShowTimedMessage(Message15s, "Numread < 10. End found in GetNextBlock 3");
            if (stop_ || !OpenNextSource()) return;
            first = true;
            continue;
        }
        host_.StepProgress(blocksRead_);
        host_.StateChanged("ReadSD");
        return;
    }
}

bool Converter::OpenNextSource() {
    if (!source_.Close()) AddError(source_.LastErrorText());
    ++sourceNumber_;
    if (sourceNumber_ > SDLastDataFile) {
        host_.ShowTimedMessage(Message10s,
                               "program cannot handle more than 32 source files. Please contact Tobin Marr");
        endOfInput_ = true;
        return false;
    }
    const std::string path = JoinPath(cardFolder_, DataFileName(data0Name_, sourceNumber_));
    if (!source_.Open(path, BinaryFile::Mode::Read)) {
        // The normal end: every data file has been read.
        endOfInput_ = true;
        return false;
    }
    sourceName_ = path;
    sourceNext_ = 0;
    sourceSize_ = source_.Size();
    const std::string caption =
        "Converting DATA" + std::to_string(sourceNumber_) + ".ORV to *.KL1 file on PC";
    page_.ProgressCaption = caption;
    if (!sizeKnown_)
        host_.StartProgress(caption, (sourceNumber_ + 1) * UnknownSizeBlocksPerFile, 0);
    else
        host_.SetProgressLabel(caption);
    return true;
}

// Makes sure `need` bytes follow the position, reading a new chunk when fewer remain. After the
// last data file, true only while a whole record (`whole` bytes) is left.
bool Converter::Ensure(int need, int whole) {
    while (fill_ - pos_ < need) {
        if (endOfInput_) return fill_ - pos_ >= whole;
        GetNextBlock(false);
        if (stop_) return false;
    }
    return true;
}

// The end of the last data file: the minute being collected is written, then the file closed.
void Converter::FinishAtEnd() {
    stop_ = true;
    if (minuteBytes_ > 0 && out_.IsOpen())
        WriteMinute();
    else
        CloseCurrentFile(false);
}

void Converter::Decode() {
    while (!stop_) {
        if (pos_ >= fill_ && !Ensure(1, 1)) {
            if (!stop_) FinishAtEnd();
            break;
        }
        if (buf_[static_cast<std::size_t>(pos_)] == SDMarkerByte)
            DecodeMarker();
        else if (!DecodeClickRun())
            DecodeClick();
    }
}

void Converter::DecodeMarker() {
    suppressPreStart_ = false;
    if (minuteBytes_ > 0) {
        WriteMinute();
        if (stop_) return;
    }
    ++minuteCount_;
    ++minutesInFile_;
    if (!Ensure(SDMarkerSize + 1, SDMarkerSize)) {
        if (!stop_) FinishAtEnd();
        return;
    }
    const std::uint8_t* m = &buf_[static_cast<std::size_t>(pos_)];
    const std::int64_t number = ReadBE24(m + 1);
    if (number != minuteCount_) ++timestampDefects_;
    if (blanksLimit_ == 2) {
        const std::int64_t jump = number - minuteCount_;
        const std::int64_t size = std::abs(jump);
        if (minutesInFile_ > overallMinutes_ || (size > 10 && size < 1000)) {
            AddUpload("Please check next file - it may be old data.  Minute counter jumped by " +
                      std::to_string(jump));
            CloseCurrentFile(true);
            if (stop_) return;
            // Count on from the stored number, so that one jump starts one new file.
            minuteCount_ = number;
        }
    }
    EncodeKL1Marker(minute_.data(), m[4], m[5]);
    minuteBytes_ = KL1RecordSize;
    minuteTrailingBlanks_ = 0;
    pos_ += SDMarkerSize;
    streamConsumed_ += SDMarkerSize;
}

// The common case, decoded without the checks of DecodeClick: ordinary click records one after
// the other, well inside the chunk (the next record's amplitude included), in a minute with
// room, after no blank. Stops before anything else; false when it decoded nothing.
bool Converter::DecodeClickRun() {
    if (suppressPreStart_ || minuteFull_ || blankRun_ > 0) return false;
    const std::uint8_t* buf = buf_.data();
    const std::int64_t start = pos_;
    const std::int64_t last = fill_ - (SDClickSize + 8);
    const std::int64_t room = MinuteClickCap - clicksInMinute_;
    std::int64_t pos = pos_;
    std::int64_t count = 0;
    std::uint8_t* out = minute_.data() + minuteBytes_;
    std::int32_t previous = previousTime_;
    while (pos <= last && count < room) {
        const std::uint8_t* c = buf + pos;
        if (c[0] == SDMarkerByte || IsBlankRecord(c)) break;
        const std::int32_t t = converter_->Convert(c, c[17], out);
        if (t < previous && page_.ErrorsList.size() < TimeErrorLinesMax)
            AddError(std::to_string(streamConsumed_ + (pos - start)) + "\t" + std::to_string(minuteCount_) +
                     "\t" + std::to_string(t) + "\t" + std::to_string(previous) + "\tt error");
        previous = t;
        pos += SDClickSize;
        out += KL1RecordSize;
        ++count;
    }
    if (count == 0) return false;
    streamConsumed_ += pos - start;
    pos_ = pos;
    previousTime_ = previous;
    minuteBytes_ += static_cast<std::size_t>(count) * KL1RecordSize;
    clicksInMinute_ += count;
    minuteTrailingBlanks_ = 0;
    if (clicksInMinute_ >= MinuteClickCap) minuteFull_ = true;
    return true;
}

void Converter::DecodeClick() {
    if (!Ensure(SDClickSize + 1, SDClickSize)) {
        if (!stop_) FinishAtEnd();
        return;
    }
    const std::uint8_t* c = &buf_[static_cast<std::size_t>(pos_)];
    const bool blank = IsBlankRecord(c);
    if (blank) {
        if (page_.ErrorsList.size() < BlankLinesMax) {
            std::string line = std::to_string(result_.MinutesWritten) + "\t" + std::to_string(blocksRead_);
            const std::int64_t shown = std::min<std::int64_t>(BlankBytesShown, fill_ - pos_);
            for (std::int64_t i = 0; i < shown; ++i) line += "\t" + std::to_string(c[i]);
            AddError(line);
        }
        ++blankRun_;
        if (blankRun_ > blanksLimit_) {
            WriteMinute();
            stop_ = true;
            CloseCurrentFile(false);
            return;
        }
    } else if (blankRun_ > 0) {
        result_.LongestBlankRun = std::max(result_.LongestBlankRun, blankRun_);
        blankRun_ = 0;
    }
    if (minuteFull_ && !blank) {
        pos_ += SDClickSize;
        streamConsumed_ += SDClickSize;
        return;
    }
    if (minuteBytes_ + KL1RecordSize > minute_.size()) minute_.resize(minute_.size() + 100 * KL1RecordSize);
    const std::int64_t amplitudeAhead = pos_ + 7 + SDClickSize;
    const int nextAmplitude = amplitudeAhead < fill_ ? buf_[static_cast<std::size_t>(amplitudeAhead)] : -1;
    const std::int32_t t = converter_->Convert(c, nextAmplitude, &minute_[minuteBytes_]);
    if (t < previousTime_ && page_.ErrorsList.size() < TimeErrorLinesMax)
        AddError(std::to_string(streamConsumed_) + "\t" + std::to_string(minuteCount_) + "\t" +
                 std::to_string(t) + "\t" + std::to_string(previousTime_) + "\tt error");
    previousTime_ = t;
    pos_ += SDClickSize;
    streamConsumed_ += SDClickSize;
    if (suppressPreStart_) {
        AddError(std::to_string(minuteCount_) + "\t" + std::to_string(t) + "\tSuppressPreStart");
        return;
    }
    minuteBytes_ += KL1RecordSize;
    minuteTrailingBlanks_ = blank ? minuteTrailingBlanks_ + 1 : 0;
    if (++clicksInMinute_ >= MinuteClickCap) minuteFull_ = true;
}

void Converter::WriteMinute() {
    if (!out_.IsOpen()) return;
    ++result_.MinutesWritten;
    page_.MinutesReadLabel = DurationText(result_.MinutesWritten);
    out_.AddMapEntry(out_.Size);
    if (!out_.Data.WriteAt(out_.Size, minute_.data(), minuteBytes_)) {
        // A minute that cannot be written ends the conversion: going on would shift every later minute.
        AddError("Writing one minute of data to .KL1 file: " + out_.Data.LastErrorText());
        out_.DropLastMapEntry();
        out_.Data.Truncate(out_.Size);
        stop_ = true;
    } else {
        out_.Size += static_cast<std::int64_t>(minuteBytes_);
        bytesWritten_ += static_cast<std::int64_t>(minuteBytes_);
        clicksInFile_ += clicksInMinute_;
        result_.ClicksWritten += clicksInMinute_;
        fileTrailingBlanks_ = minuteTrailingBlanks_;
    }
    minuteBytes_ = 0;
    clicksInMinute_ = 0;
    minuteTrailingBlanks_ = 0;
    previousTime_ = 0;
    minuteFull_ = false;
    if (stop_)
        CloseCurrentFile(false);
    else if (bytesWritten_ > env_.Limits.SplitBytes)
        CloseCurrentFile(true);
}

// Closes the current output file: terminator, map end, header, report; then starts the next one.
void Converter::CloseCurrentFile(bool startNext) {
    if (!out_.IsOpen()) return;
    const bool hasRecords = out_.Size > DataFileHeader::Size;
    // The terminator takes the place of the last two records when they are erased bytes
    // converted as blanks; otherwise it follows the last record, so that no data is lost.
    const std::int64_t end = fileTrailingBlanks_ >= 2 ? out_.Size - TerminatorBytes : out_.Size;
    out_.AddMapEntry(end);
    out_.FlushMap();
    if (out_.HasMap) out_.Map.Close();
    std::uint8_t terminator[TerminatorBytes];
    FillEndOfData(terminator, static_cast<int>(TerminatorBytes));
    if (!out_.Data.WriteAt(end, terminator, TerminatorBytes))
        AddUpload("Error writing terminator to.KL1 file: " + out_.Data.LastErrorText());
    else
        out_.Size = end + TerminatorBytes;

    const MinuteNumber last = static_cast<MinuteNumber>(fileStart_ + minutesInFile_ - 1);
    header_.SetLastMinute(last);
    header_.SetEndpointEnd(last);
    header_.SetClickCount(static_cast<std::uint32_t>(clicksInFile_));
    if (!out_.Data.WriteAt(0, header_.Bytes.data(), DataFileHeader::Size))
        AddUpload("Writing header to .KL1 file: " + out_.Data.LastErrorText());

    AddUpload(out_.Name + "    " + DurationText(minutesInFile_) + "    " +
              std::to_string(out_.Size / 1'048'576) + "Mb   " + std::to_string(Now() - conversionStart_) +
              "mins)");
    if (timestampDefects_ > 0) {
        AddUpload("Timestamp defects " + std::to_string(timestampDefects_) + " (not serious) ");
        timestampDefects_ = 0;
    }

    if (!hasRecords) {
        out_.Discard();
        AddUpload(ShortNameOf(out_.Name) + " contains no data. Deleted");
        stop_ = true;
    } else {
        const bool keepMap = out_.HasMap && !out_.MapFailed && out_.Size >= MapKeptFrom;
        if (!out_.Data.Close()) AddError(out_.Data.LastErrorText());
        int error = 0;
        if (!RenameFile(out_.Name + PartSuffix, out_.Name, &error))
            AddError("Renaming " + out_.Name + PartSuffix + ": " + SystemErrorText(error));
        else
            result_.OutputFiles.push_back(out_.Name);
        const bool mapKept = keepMap && RenameFile(out_.MapName() + PartSuffix, out_.MapName(), &error);
        if (!mapKept) {
            RemoveFile(out_.MapName() + PartSuffix);
            // A map left by an earlier download of the same name would not fit this file.
            RemoveFile(out_.MapName());
        }
        out_.HasMap = false;
        out_.Settled();
    }

    bytesWritten_ = 0;
    clicksInFile_ = 0;
    fileTrailingBlanks_ = 0;
    if (stop_ || !startNext) return;

    fileStart_ = last + 1;
    header_.SetFirstMinute(fileStart_);
    header_.SetCreatedMinute(Now());
    header_.SetOriginalFirstMinute(fileStart_);
    header_.SetEndpointStart(fileStart_);
    const std::string next = NextOutputName(firstName_, outputNumber_ + 1);
    if (!CreateOutput(next) || !out_.Data.WriteAt(0, header_.Bytes.data(), DataFileHeader::Size)) {
        AddError("Creation of next .KL1 file: " + out_.Data.LastErrorText());
        out_.Discard();
        stop_ = true;
        return;
    }
    out_.Size = DataFileHeader::Size;
    ++outputNumber_;
    // The twelfth file keeps only its header: the conversion ends there.
    if (outputNumber_ >= LastOutputFile) stop_ = true;
    minutesInFile_ = 0;
    bytesWritten_ = DataFileHeader::Size;
}

// A file the conversion left without closing keeps the header of its creation and gets no
// terminator; opening it later repairs its end. Its map would not fit and is dropped.
void Converter::KeepUnclosedFile() {
    if (!out_.IsOpen()) return;
    out_.Map.Close();
    RemoveFile(out_.MapName() + PartSuffix);
    RemoveFile(out_.MapName());
    out_.HasMap = false;
    out_.Data.Close();
    int error = 0;
    if (RenameFile(out_.Name + PartSuffix, out_.Name, &error))
        result_.OutputFiles.push_back(out_.Name);
    else
        AddError("Renaming " + out_.Name + PartSuffix + ": " + SystemErrorText(error));
    out_.Settled();
}

void Converter::Finish() {
    KeepUnclosedFile();
    source_.Close();
    if (result_.StoppedByUser) AddSummary("Part read from: ");
    host_.EndProgress("");
    if (page_.OpenFileWhenFinished) {
        CloseAllFiles(program_, host_);
        if (FileExists(firstName_)) OpenDataFile(program_, host_, firstName_, 1);
    }
    page_.ClickCountLabel = ThousandsText(result_.ClicksWritten) + " clicks written to file";
    page_.MinutesReadLabel = "Max blanks " + std::to_string(result_.LongestBlankRun);
}

} // namespace

std::string ProposedFileName(ReadSDPage& page, int loggerNumber) {
    if (page.NameMonth.size() == 1) page.NameMonth = "0" + page.NameMonth;
    if (page.NameDay.size() == 1) page.NameDay = "0" + page.NameDay;
    return page.FileNameLocation + " " + page.NameYear + " " + page.NameMonth + " " + page.NameDay + " KELP" +
           std::to_string(loggerNumber);
}

std::string NextOutputName(const std::string& firstName, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", number);
    const std::string base = firstName.size() >= 4 ? firstName.substr(0, firstName.size() - 4) : firstName;
    return base + " file" + digits + ".KL1";
}

DownloadResult ReadSDdata(Program& program, Host& host, ReadSDPage& page, const DownloadEnvironment& env) {
    Converter converter(program, host, page, env);
    return converter.Run();
}

} // namespace kelp
