#include "download/read_sd_page.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "core/program.h"

namespace kelp {

ReadSDPage& ReadSDPageOf(Program& program) {
    return program.State<ReadSDPage>();
}

bool ParseBoxNumber(const std::string& text, long long& value) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && std::isspace(static_cast<unsigned char>(text[begin]))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(text[end - 1]))) --end;
    if (begin == end) return false;
    const std::string trimmed = text.substr(begin, end - begin);
    char* stop = nullptr;
    errno = 0;
    const long long v = std::strtoll(trimmed.c_str(), &stop, 10);
    if (errno != 0 || stop == trimmed.c_str() || *stop != '\0') return false;
    value = v;
    return true;
}

void StartTimeChanged(ReadSDPage& page) {
    long long y = 0, mo = 0, d = 0, h = 0, mi = 0;
    const bool numbers = ParseBoxNumber(page.StartYear, y) && ParseBoxNumber(page.StartMonth, mo) &&
                         ParseBoxNumber(page.StartDay, d) && ParseBoxNumber(page.StartHour, h) &&
                         ParseBoxNumber(page.StartMinute, mi);
    const auto within = [](long long v, long long lo, long long hi) { return v >= lo && v <= hi; };
    if (numbers && within(y, 1, 9999) && within(mo, 1, 12) && within(d, 1, 31) && within(h, 0, 23) &&
        within(mi, 0, 59)) {
        const MinuteNumber m = MakeMinute(static_cast<int>(y), static_cast<int>(mo), static_cast<int>(d),
                                          static_cast<int>(h), static_cast<int>(mi));
        const CivilDate back = CivilFromDayNumber(DayOfMinute(m));
        if (back.Year == y && back.Month == mo && back.Day == d) {
            page.StartMinuteNumber = m;
            page.StartTimeText = DateTimeText(m);
            page.StartTimeError = false;
            page.StartMinuteText = std::to_string(m);
            return;
        }
    }
    page.StartTimeText = "error";
    page.StartTimeError = true;
}

void PasteNowIntoStartTime(ReadSDPage& page, MinuteNumber now) {
    const CivilDate date = CivilFromDayNumber(DayOfMinute(now));
    const int inDay = now - DayOfMinute(now) * MinutesPerDay;
    page.StartYear = std::to_string(date.Year);
    page.StartMonth = std::to_string(date.Month);
    page.StartDay = std::to_string(date.Day);
    page.StartHour = std::to_string(inDay / 60);
    page.StartMinute = std::to_string(inDay % 60);
    StartTimeChanged(page);
}

void PasteNowIntoNameDate(ReadSDPage& page, MinuteNumber now) {
    const CivilDate date = CivilFromDayNumber(DayOfMinute(now));
    page.NameYear = std::to_string(date.Year);
    page.NameMonth = std::to_string(date.Month);
    page.NameDay = std::to_string(date.Day);
}

void NameDateChanged(ReadSDPage& page) {
    long long v = 0;
    if (!ParseBoxNumber(page.NameYear, v)) page.NameYear = "20";
    if (!ParseBoxNumber(page.NameMonth, v)) page.NameMonth = "1";
    if (!ParseBoxNumber(page.NameDay, v)) page.NameDay = "1";
}

void DepthsChanged(ReadSDPage& page) {
    long long v = 0;
    if (!ParseBoxNumber(page.WaterDepth, v)) page.WaterDepth = "0";
    if (!ParseBoxNumber(page.DeploymentDepth, v)) page.DeploymentDepth = "0";
}

void BlanksChanged(ReadSDPage& page) {
    long long v = 0;
    if (!ParseBoxNumber(page.BlanksText, v) || v < 2) page.BlanksText = "2";
}

int BlanksLimit(const ReadSDPage& page) {
    long long v = 0;
    if (!ParseBoxNumber(page.BlanksText, v) || v < 2) return 2;
    return static_cast<int>(std::min<long long>(v, 2'000'000'000));
}

void TextBoxesChanged(ReadSDPage& page) {
    const auto cut = [](std::string& s, std::size_t n) {
        if (s.size() > n) s.resize(n);
    };
    cut(page.FileNameLocation, FileNameLocationLength);
    cut(page.Location, DeploymentLocationLength);
    cut(page.Notes, NotesLength);
    cut(page.Lat, LatLongLength);
    cut(page.Long, LatLongLength);
}

} // namespace kelp
