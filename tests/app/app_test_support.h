#pragma once
// What the window's tests share: a host whose dialogs answer from lists and whose timed
// messages are recorded (shown only when asked), the main window over a fresh program, and
// small KL1 and KL3 files.
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QImage>

#include "app/main_window.h"
#include "app/qt_host.h"
#include "core/program.h"
#include "tests/support/builders.h"

namespace kelp::testing {

class TestHost : public QtHost {
public:
    using QtHost::QtHost;
    std::deque<std::vector<std::string>> OpenAnswers;
    std::deque<std::optional<std::string>> SaveAnswers;
    std::vector<FileDialogRequest> Dialogs;
    std::vector<std::pair<int, std::string>> TimedMessages;
    std::vector<std::string> Boxes;
    std::deque<bool> YesNoAnswers;  // No when empty
    bool ShowTimedMessages = false; // in the real timed message window

    void ShowTimedMessage(int milliseconds, const std::string& text) override {
        TimedMessages.emplace_back(milliseconds, text);
        if (ShowTimedMessages) QtHost::ShowTimedMessage(milliseconds, text);
    }
    void ShowMessage(const std::string& text) override { Boxes.push_back(text); }
    bool AskYesNo(const std::string& text) override {
        Boxes.push_back(text);
        if (YesNoAnswers.empty()) return false;
        const bool answer = YesNoAnswers.front();
        YesNoAnswers.pop_front();
        return answer;
    }
    std::vector<std::string> OpenFileDialog(const FileDialogRequest& request) override {
        Dialogs.push_back(request);
        if (OpenAnswers.empty()) return {};
        auto answer = OpenAnswers.front();
        OpenAnswers.pop_front();
        return answer;
    }
    std::optional<std::string> SaveFileDialog(const FileDialogRequest& request) override {
        Dialogs.push_back(request);
        if (SaveAnswers.empty()) return std::nullopt;
        auto answer = SaveAnswers.front();
        SaveAnswers.pop_front();
        return answer;
    }
};

// The program, its host and the main window, shown at a fixed size.
struct AppUnderTest {
    explicit AppUnderTest(const std::string& openDialogName = {}, int width = 1280, int height = 800)
        : host(program), window(std::make_unique<TF>(program, host, openDialogName)) {
        window->resize(width, height);
        window->show();
        window->SettleForPicture();
    }
    Program program;
    TestHost host;
    std::unique_ptr<TF> window;
};

// A KL1 file and a KL3 file of the same ten minutes, with clicks in every minute.
inline std::pair<std::string, std::string> WriteFilePair(const TempDir& dir) {
    DataFileBuilder kl1(FileKind::KL1);
    DataFileBuilder kl3(FileKind::KL3);
    for (int minute = 0; minute < 10; ++minute) {
        kl1.Minute();
        kl3.Minute();
        for (int k = 0; k < 40; ++k) {
            const std::int32_t time = 100'000 + k * 20'000 + minute * 1'000;
            kl1.Click(MakeClick(time, 120 + k % 20, 10 + k % 5, 80 + 3 * k), 0);
            if (k % 2 == 0) {
                ClickRecord c = MakeClick(time, 120 + k % 20, 10 + k % 5, 80 + 3 * k);
                c.Quality = 3;
                c.Species = 0;
                kl3.Click(c, 7);
            }
        }
    }
    return {kl1.Write(dir.File("pair.KL1")), kl3.Write(dir.File("pair.KL3"))};
}

// True when the image has a red pixel (as red captions are drawn) inside the rectangle.
inline bool HasRed(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            if (!image.valid(x, y)) continue;
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 180 && qGreen(p) < 90 && qBlue(p) < 90) return true;
        }
    return false;
}

} // namespace kelp::testing
