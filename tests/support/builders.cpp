#include "tests/support/builders.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "core/bytes.h"

namespace kelp::testing {

ClickRecord MakeClick(std::int32_t time, int kHz, int ncyc, int spl, int bw, std::uint8_t envelope) {
    ClickRecord c;
    c.Time = time;
    c.kHz = kHz;
    c.EndkHz = kHz;
    c.Ncyc = ncyc;
    c.SPL = spl;
    c.BW = bw;
    c.Envelope = envelope;
    return c;
}

DataFileBuilder::DataFileBuilder(FileKind kind, MinuteNumber firstMinute)
    : kind_(kind), recordLength_(kind == FileKind::KL1 ? 10 : 20) {
    header_.SetFormatCode(kind == FileKind::KL1 ? FormatCodeKL1 : FormatCodeKL2);
    header_.SetRecordLengthByte(static_cast<std::uint8_t>(recordLength_));
    header_.SetEnvelopeReady(true);
    header_.SetLoggerNumber(1104);
    header_.SetYearMade("2023");
    header_.SetLoggerVersion(1);
    header_.SetEnvelopeCodingKind(2);
    header_.SetEnvelopeKindTwoFlag(1);
    // Settings layout 1: switch angle range at 64..65, minutes off at 66.
    header_.Bytes[64] = 0;
    header_.Bytes[65] = 120;
    header_.Bytes[66] = 0;
    header_.Bytes[77] = 7; // gain
    header_.SetFirstMinute(firstMinute);
    header_.SetOriginalFirstMinute(firstMinute);
    header_.SetCreatedMinute(firstMinute);
    if (kind == FileKind::KL3) header_.SetTdaVersion(1);
}

DataFileBuilder& DataFileBuilder::Minute(int temperature, int angle) {
    std::vector<std::uint8_t> r(static_cast<std::size_t>(recordLength_), 0);
    r[3] = static_cast<std::uint8_t>(temperature);
    r[4] = static_cast<std::uint8_t>(angle);
    r.back() = TypeMinuteMarker;
    records_.insert(records_.end(), r.begin(), r.end());
    ++markers_;
    return *this;
}

DataFileBuilder& DataFileBuilder::Minute(const std::vector<std::uint8_t>& markerBytes) {
    std::vector<std::uint8_t> r(static_cast<std::size_t>(recordLength_), 0);
    for (std::size_t i = 0; i < r.size() && i < markerBytes.size(); ++i) r[i] = markerBytes[i];
    r.back() = TypeMinuteMarker;
    records_.insert(records_.end(), r.begin(), r.end());
    ++markers_;
    return *this;
}

DataFileBuilder& DataFileBuilder::Click(const ClickRecord& click, std::uint8_t type) {
    std::vector<std::uint8_t> r(static_cast<std::size_t>(recordLength_), 0);
    switch (kind_) {
    case FileKind::KL1:
        EncodeKL1Click(r.data(), click, type);
        break;
    case FileKind::KL2:
        EncodeKL2Click(r.data(), click);
        break;
    default:
        EncodeKL3Click(r.data(), click, type);
        break;
    }
    records_.insert(records_.end(), r.begin(), r.end());
    return *this;
}

DataFileBuilder& DataFileBuilder::Raw(const std::vector<std::uint8_t>& record) {
    if (static_cast<int>(record.size()) != recordLength_) throw std::invalid_argument("record length");
    records_.insert(records_.end(), record.begin(), record.end());
    return *this;
}

DataFileBuilder& DataFileBuilder::MinutesPerMarker(int n) {
    minutesPerMarker_ = n;
    header_.Bytes[66] = static_cast<std::uint8_t>(n - 1);
    return *this;
}

DataFileBuilder& DataFileBuilder::WithoutTerminator() {
    terminate_ = false;
    return *this;
}

DataFileBuilder& DataFileBuilder::KeepHeaderMinutes() {
    keepHeaderMinutes_ = true;
    return *this;
}

std::vector<std::uint8_t> DataFileBuilder::Bytes() const {
    DataFileHeader header = header_;
    if (!keepHeaderMinutes_) {
        const MinuteNumber first = header.FirstMinute();
        const MinuteNumber last = first + std::max(0, markers_ - 1) * minutesPerMarker_;
        header.SetLastMinute(last);
        header.SetEndpointStart(first);
        header.SetEndpointEnd(last);
    }
    const std::size_t terminator = terminate_ ? static_cast<std::size_t>(2 * recordLength_) : 0;
    // Header, records, then the terminator's 255s, which the fill value already holds.
    std::vector<std::uint8_t> bytes(header.Bytes.size() + records_.size() + terminator, 255);
    const auto recordsAt = std::copy(header.Bytes.begin(), header.Bytes.end(), bytes.begin());
    std::copy(records_.begin(), records_.end(), recordsAt);
    return bytes;
}

std::string DataFileBuilder::Write(const std::string& path) const {
    WriteFileBytes(path, Bytes());
    return path;
}

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kelp-test-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("cannot make a temporary folder");
    path_ = buf.data();
}

TempDir::~TempDir() {
    std::error_code ec;
    // Files a test made read-only must not stop the clean-up.
    for (auto& entry : std::filesystem::recursive_directory_iterator(path_, ec))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadFileText(const std::string& path) {
    const auto bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
}

} // namespace kelp::testing
