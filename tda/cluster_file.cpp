#include "tda/cluster_file.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "core/bytes.h"
#include "core/file_io.h"
#include "core/host.h"
#include "core/map_file.h"
#include "core/program.h"
#include "core/reader.h"
#include "core/records.h"
#include "core/slots.h"
#include "core/time.h"
#include "tda/cluster_minute.h"
#include "tda/tda_settings.h"

namespace kelp {

namespace {

// Output is gathered and written in pieces of about this size.
constexpr std::size_t OutputFlushBytes = 1 << 18;
// KL1 records are read in blocks of about this size.
constexpr int ReadBlockBytes = 1 << 18;

void ShowWriteError(Host& host, int error) {
    if (error == ENOSPC)
        host.ShowMessage(DiscFullText);
    else
        host.ShowTimedMessage(Message2s, SystemErrorText(error));
}

ClusterParameters ParametersFor(Program& program, const FileSlot& slot) {
    const TdaSettings& settings = TdaSettingsOf(program);
    ClusterParameters p;
    p.Version = ActiveTdaVersion(program);
    p.MaxBands = p.Version == 2 ? 12 : 9;
    p.InitialFusionGap = p.Version == 2 ? settings.InitialFusionGap.Value : 100;
    p.PreFilter = PreFilterOn(settings);
    p.SplMin = settings.TdaSPLmin.Value;
    p.NcycMin = settings.TdaNcycMin.Value;
    p.MaxkHz = PreFilterMaxkHz(settings);
    p.MinuteLimit = std::max(0, settings.TDAMinLim.Value);
    p.EnvelopeReady = slot.EnvelopeReady;
    p.MinuteClickLimit = slot.MinuteClickLimit;
    if (p.Version == 2) p.OnHistogram = settings.OnMinuteHistogram;
    return p;
}

// The KL2 header: the KL1 header with the file kind, record length and envelope byte of KL2.
DataFileHeader ClusterHeader(const DataFileHeader& kl1, int version) {
    DataFileHeader h = kl1;
    h.SetFormatCode(FormatCodeKL2);
    h.SetRecordLengthByte(version == 2 ? 40 : 20);
    h.Bytes[2] = 1;
    if (version == 2) {
        h.SetRecordFormat(2);
        h.SetTdaVersion(2);
    }
    return h;
}

// The output files of one run: the KL2 file and, for large KL1 files, its map. Both are
// written under temporary names and take their final names only when the run succeeds.
class ClusterOutput {
public:
    ClusterOutput(Host& host, const std::string& name, const std::string& mapName)
        : host_(host), file_(name), map_(mapName) {}

    bool Open(const DataFileHeader& header, bool withMap) {
        if (withMap) {
            if (map_.Open()) {
                mapOpen_ = true;
                AddMapEntry(HeaderLength);
            } else {
                host_.ShowTimedMessage(Message2s, SystemErrorText(map_.LastError()));
            }
        }
        if (!file_.Open()) {
            ShowWriteError(host_, file_.LastError());
            return false;
        }
        data_.assign(header.Bytes.begin(), header.Bytes.end());
        return true;
    }

    std::vector<std::uint8_t>& Data() { return data_; }
    std::int64_t Position() const { return file_.Written() + static_cast<std::int64_t>(data_.size()); }

    void AddMapEntry(std::int64_t position) {
        if (!mapOpen_) return;
        const std::size_t at = mapData_.size();
        mapData_.resize(at + 8);
        WriteLE64(&mapData_[at], position);
    }

    // Writes what has gathered once there is enough of it (or always, when `all`).
    bool Flush(bool all) {
        if (data_.size() >= OutputFlushBytes || (all && !data_.empty())) {
            if (!file_.Write(data_.data(), data_.size())) {
                ShowWriteError(host_, file_.LastError());
                return false;
            }
            data_.clear();
        }
        if (mapOpen_ && (mapData_.size() >= OutputFlushBytes || (all && !mapData_.empty()))) {
            if (!map_.Write(mapData_.data(), mapData_.size())) {
                // The run goes on without a map: the next stage scans the KL2 file instead.
                host_.ShowTimedMessage(Message2s, SystemErrorText(map_.LastError()));
                map_.Abandon();
                mapOpen_ = false;
            }
            mapData_.clear();
        }
        return true;
    }

    bool Commit(bool& mapWritten) {
        if (!Flush(true)) return false;
        if (!file_.Commit()) {
            ShowWriteError(host_, file_.LastError());
            return false;
        }
        mapWritten = false;
        if (mapOpen_) {
            if (map_.Commit())
                mapWritten = true;
            else
                host_.ShowTimedMessage(Message2s, SystemErrorText(map_.LastError()));
        }
        return true;
    }

private:
    Host& host_;
    AtomicFileWriter file_;
    AtomicFileWriter map_;
    bool mapOpen_ = false;
    std::vector<std::uint8_t> data_;
    std::vector<std::uint8_t> mapData_;
};

enum class InputEnd { EndOfData, CutShort, RecordClassError, ReadError };

// Reads the KL1 records of the slot's file from the first minute marker on and hands
// them to the finder; the output gets each finished minute.
class KL1Walk {
public:
    KL1Walk(FileSlot& slot) : slot_(slot), R_(slot.RecordLength) {
        block_.resize(static_cast<std::size_t>(std::max(1, ReadBlockBytes / R_) * R_));
    }

    // The next record, or nullptr at the end of the readable records (see End()).
    const std::uint8_t* Next() {
        if (pos_ + R_ > fill_) {
            if (atEof_) return nullptr;
            const std::int64_t n = slot_.File.ReadAt(filePos_, block_.data(), block_.size());
            if (n < 0) {
                error_ = slot_.File.LastError();
                readFailed_ = true;
                return nullptr;
            }
            fill_ = static_cast<int>(n - n % R_);
            filePos_ += fill_;
            pos_ = 0;
            if (n < static_cast<std::int64_t>(block_.size())) atEof_ = true;
            if (fill_ < R_) return nullptr;
        }
        const std::uint8_t* r = block_.data() + pos_;
        pos_ += R_;
        return r;
    }
    bool ReadFailed() const { return readFailed_; }
    int Error() const { return error_; }

private:
    FileSlot& slot_;
    const int R_;
    std::vector<std::uint8_t> block_;
    std::int64_t filePos_ = HeaderLength;
    int pos_ = 0;
    int fill_ = 0;
    bool atEof_ = false;
    bool readFailed_ = false;
    int error_ = 0;
};

} // namespace

std::string MakeClusterFile(Program& program, Host& host, ClusterRunSummary* summaryOut) {
    ClusterRunSummary summary;
    FileSlot& slot = program.Slot(1);
    if (!slot.IsOpen || slot.Kind != FileKind::KL1) {
        host.ShowTimedMessage(Message5s, WrongFileTypeText);
        if (summaryOut) *summaryOut = summary;
        return "";
    }

    const ClusterParameters parameters = ParametersFor(program, slot);
    const int R = slot.RecordLength;
    const std::string name = WithExtension(slot.FullName, ".KL2");
    const std::string mapName = WithExtension(name, ".k2m");

    // The header as the file holds it now, with whatever opening and mapping repaired.
    DataFileHeader kl1Header;
    if (slot.File.ReadAt(0, kl1Header.Bytes.data(), kl1Header.Bytes.size()) != HeaderLength) {
        host.ShowTimedMessage(Message2s,
                              SystemErrorText(slot.File.LastError() ? slot.File.LastError() : EIO));
        if (summaryOut) *summaryOut = summary;
        return "";
    }

    ClusterOutput output(host, name, mapName);
    const bool withMap = slot.FileSize > MapFileKeepBytes;
    if (!output.Open(ClusterHeader(kl1Header, parameters.Version), withMap)) {
        if (summaryOut) *summaryOut = summary;
        return "";
    }

    program.DataPositionLabel = FindingClustersText;
    host.StateChanged("data position label");
    const std::int64_t span = std::int64_t{slot.LastMinute} - slot.FirstMinute;
    const std::int64_t totalMinutes =
        std::max<std::int64_t>(1, span / std::max(1, slot.MinutesPerMarker) + 1);
    host.StartProgress(AnalysingClustersText, totalMinutes, 0);
    const std::int64_t progressStep = std::max<std::int64_t>(1, totalMinutes / 100);

    ClusterFinder finder(parameters);
    KL1Walk walk(slot);
    InputEnd end = InputEnd::CutShort;
    bool leftOutShown = false;
    bool failed = false;

    const std::uint8_t* record = walk.Next();
    if (record && record[R - 1] == TypeEndOfData) {
        end = InputEnd::EndOfData;
        record = nullptr;
    } else if (record) {
        // The first record opens the first minute; one that is not a marker counts as an empty one.
        finder.StartMinute(record[R - 1] == TypeMinuteMarker ? record : nullptr);
        for (;;) {
            record = walk.Next();
            const int type = record ? record[R - 1] : -1;
            if (type >= 0 && type < TypeFiller && !IsRecordClassError(type)) {
                finder.AddClick(record);
                ++summary.Clicks;
                continue;
            }
            if (type == TypeFiller) continue;

            // The minute ends here.
            const std::size_t before = output.Data().size();
            finder.FinishMinute(output.Data());
            summary.Records +=
                static_cast<std::int64_t>((output.Data().size() - before) / parameters.RecordLength()) - 1;
            ++summary.Minutes;
            summary.Clusters += finder.Summaries();
            output.AddMapEntry(output.Position());
            if (finder.ClicksLeftOut() > 0 && !leftOutShown) {
                host.ShowTimedMessage(Message5s, "A minute of " + slot.ShortName + " holds more than " +
                                                     ThousandsText(MaxClusterClicksPerMinute) +
                                                     " clicks: the rest of that minute is left out");
                leftOutShown = true;
                summary.InputDamaged = true;
            }
            if (!output.Flush(false)) {
                failed = true;
                break;
            }
            if (summary.Minutes % progressStep == 0) host.StepProgress(summary.Minutes);
            host.ProcessEvents();

            if (type == TypeMinuteMarker) {
                finder.StartMinute(record);
                continue;
            }
            if (type == TypeEndOfData)
                end = InputEnd::EndOfData;
            else if (type >= 0)
                end = InputEnd::RecordClassError;
            else
                end = walk.ReadFailed() ? InputEnd::ReadError : InputEnd::CutShort;
            break;
        }
    } else if (walk.ReadFailed()) {
        end = InputEnd::ReadError;
    }

    if (!failed && end == InputEnd::ReadError) {
        host.ShowTimedMessage(Message2s, SystemErrorText(walk.Error()));
        failed = true;
    }
    if (failed) {
        host.EndProgress("");
        if (summaryOut) *summaryOut = summary;
        return "";
    }
    if (end == InputEnd::RecordClassError) {
        host.ShowTimedMessage(Message5s, RecordClassErrorText);
        summary.InputDamaged = true;
    } else if (end == InputEnd::CutShort) {
        host.ShowTimedMessage(Message5s, slot.ShortName +
                                             " ends without its end-of-data records: the KL2 file "
                                             "holds the minutes up to the last whole record");
        summary.InputDamaged = true;
    }

    // The end of data: two records of 255; the map's last entry, written after the last minute,
    // points at the first of them.
    std::vector<std::uint8_t>& data = output.Data();
    data.resize(data.size() + static_cast<std::size_t>(2 * parameters.RecordLength()), TypeEndOfData);
    if (!output.Commit(summary.MapWritten)) {
        host.EndProgress("");
        if (summaryOut) *summaryOut = summary;
        return "";
    }
    // A map file left from an earlier, larger KL2 file would no longer fit this one.
    if (!summary.MapWritten && FileExists(mapName)) RemoveFile(mapName);
    host.EndProgress("");

    summary.Name = name;
    if (summaryOut) *summaryOut = summary;
    CloseDataFile(program, host, 1);
    if (!program.Options.BatchRunning) OpenDataFile(program, host, name, 1);
    return name;
}

} // namespace kelp
