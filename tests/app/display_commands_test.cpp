// The display driven as a person drives it: keys, drags, right-clicks and the pointer menu,
// the slider, the buttons, "go" and the "view +" page, with real Qt events and no screen.
#include <filesystem>

#include <QAction>
#include <QAudioDevice>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMediaDevices>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

#include "app/controls.h"
#include "app/display_commands.h"
#include "app/display_widget.h"
#include "app/pointer_menu.h"
#include "app/sound_output.h"
#include "app/view_plus_page.h"
#include "display/command_state.h"
#include "display/commands.h"
#include "display/controls.h"
#include "display/display_state.h"
#include "display/navigation.h"
#include "display/pointer.h"
#include "display/pointer_menu.h"
#include "tda/train_class_edit.h"
#include "tests/app/app_test_support.h"

using namespace kelp;
using namespace kelp::testing;

namespace {

const MinuteNumber MonthStart = MakeMinute(2024, 5, 1, 0, 0);
constexpr int MonthMinutes = 30 * MinutesPerDay;
// An encounter in the month: 40 clicks 25 ms apart from second 10 of this minute.
const MinuteNumber Encounter = MonthStart + 17 * MinutesPerDay + 13 * 60 + 21;
constexpr std::int32_t EncounterTick = 10 * TicksPerSecond;

// A month of a KL1 file: a quiet click at second 30 of every tenth minute, and the encounter.
std::string WriteMonth(const TempDir& dir) {
    DataFileBuilder b(FileKind::KL1, MonthStart);
    for (int m = 0; m < MonthMinutes; ++m) {
        b.Minute();
        if (MonthStart + m == Encounter)
            for (int k = 0; k < 40; ++k) b.Click(MakeClick(EncounterTick + k * 5'000, 130, 12, 120 + k), 0);
        else if (m % 10 == 0)
            b.Click(MakeClick(30 * TicksPerSecond, 60, 6, 60), 0);
    }
    return b.Write(dir.File("month.KL1"));
}

} // namespace

class DisplayCommandsTest : public QObject {
    Q_OBJECT
private:
    static DisplayCommandPanel* Panel(TF& w) { return w.findChild<DisplayCommandPanel*>(); }
    static DisplayState& State(AppUnderTest& app) { return DisplayStateOf(app.program); }
    // The x of a time on the screen in view (clamped to the plot).
    static int XOf(const DisplayState& s, const ClickTime& t) {
        const ClickTime start = SubtractDisplayTime(s.ReadPosition, s.Span);
        std::int64_t x = 0;
        if (IsLowResolution(s.TimeScale))
            x = PlotLeft +
                PixelsPerBin * ((static_cast<std::int64_t>(t.Minute) - start.Minute) / s.MinutesPerBin) + 1;
        else
            x = PlotLeft + TicksBetween(t, start) / s.TicksPerPixel;
        return static_cast<int>(std::clamp<std::int64_t>(x, PlotLeft + 1, s.Right - 1));
    }
    static void Drag(QWidget* w, int x1, int x2, int y) {
        QTest::mousePress(w, Qt::LeftButton, {}, QPoint(x1, y));
        QTest::mouseMove(w, QPoint((x1 + x2) / 2, y));
        QTest::mouseMove(w, QPoint(x2, y));
        QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(x2, y));
    }
    static void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(w, key, modifiers);
    }

private slots:
    void DragsZoomOnlyToTheRightAndByTheScaleTheSelectionNeeds() {
        TempDir dir;
        const std::string month = WriteMonth(dir);
        AppUnderTest app;
        app.window->OpenAtStart({month});
        DisplayWidget* display = app.window->Display();
        DisplayState& s = State(app);
        const int y = s.Top + 100;
        display->ClickScaleCaption(10);
        // Short and leftward drags do not zoom.
        Drag(display, 300, 310, y);
        Drag(display, 500, 300, y);
        QCOMPARE(s.TimeScale, 10);
        // 20 seconds at 100 ms per pixel: 200 pixels.
        QVERIFY(s.PlotWidth > 400 && s.PlotWidth < 1000);
        Drag(display, 300, 500, y);
        QCOMPARE(s.TimeScale, 9);
        // Three days on the 6-hour scale: 12 bins, 14 minutes per bin needed.
        display->ClickScaleCaption(16);
        QVERIFY(s.Bins > 4320 / 30 && s.Bins <= 4320 / 14);
        Drag(display, 100, 136, y);
        QCOMPARE(s.TimeScale, 13);
    }

    void AWalkFromAWeekPerBinDownToSingleClicksAndBack() {
        TempDir dir;
        const std::string month = WriteMonth(dir);
        AppUnderTest app;
        app.window->OpenAtStart({month});
        DisplayWidget* display = app.window->Display();
        DisplayState& s = State(app);
        const ClickTime encounter{Encounter, EncounterTick + 20 * 5'000};
        display->ClickScaleCaption(CoarsestScale);
        const int y = s.Top + 200;
        // Down: the scale below, around the encounter under the pointer.
        for (int scale = CoarsestScale; scale > FinestScale; --scale) {
            QCOMPARE(s.TimeScale, scale);
            QTest::mouseMove(display, QPoint(XOf(s, encounter), y));
            Key(display, Qt::Key_Down);
            if (s.TimeScale <= 10)
                QVERIFY2(s.ClicksShown[1] > 0, qPrintable(QString("scale %1").arg(s.TimeScale)));
        }
        QCOMPARE(s.TimeScale, FinestScale);
        // Back up by the arrow to hours, then drags around the encounter zoom in again.
        for (int scale = FinestScale; scale < 14; ++scale) {
            QTest::mouseMove(display, QPoint(XOf(s, encounter), y));
            Key(display, Qt::Key_Up);
        }
        QCOMPARE(s.TimeScale, 14);
        int x = XOf(s, encounter);
        // 4 hours: fewer minutes than bins, so one minute per bin.
        QVERIFY(s.Bins > 240);
        Drag(display, x - 3, x + 9, y);
        QCOMPARE(s.TimeScale, OneMinuteScale);
        x = XOf(s, encounter);
        Drag(display, x - 7, x + 5, y); // 4 minutes: 100 ms per pixel
        QCOMPARE(s.TimeScale, 10);
        QVERIFY(s.ClicksShown[1] > 0);
        // End, Home and F1 page through the month.
        Key(display, Qt::Key_End);
        QCOMPARE(s.EndLabel.substr(0, 16), DateTimeText(app.program.SharedEnd));
        Key(display, Qt::Key_Home);
        const std::string first = s.StartLabel;
        QCOMPARE(first.substr(0, 16), DateTimeText(MonthStart));
        Key(display, Qt::Key_F1);
        QVERIFY(s.StartLabel != first);
        const ClickTime second = PixelToTime(s, PlotLeft);
        Key(display, Qt::Key_F1, Qt::ShiftModifier);
        QCOMPARE(s.StartLabel, ClickTimeText(SubtractDisplayTime(second, s.Span)));
    }

    void OnlyFunctionKeysActOverTheMenuPagesAndNoKeyBelowTheSourceBox() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        TF& w = *app.window;
        DisplayWidget* display = w.Display();
        DisplayState& s = State(app);
        // The seek boxes of the open files can be ticked on a click scale.
        QVERIFY(!IsLowResolution(s.TimeScale));
        QVERIFY(Panel(w)->SeekBox(2)->isEnabled() && !Panel(w)->SeekBox(3)->isEnabled());
        w.ShowPage("view +");
        QVERIFY(s.MenuPagesVisible);
        const int scale = s.TimeScale;
        Key(w.Tabs()->currentWidget(), Qt::Key_Down);
        QCOMPARE(s.TimeScale, scale);
        Key(w.Tabs()->currentWidget(), Qt::Key_F9);
        QCOMPARE(s.DisplayParameter, 0);
        QVERIFY(!s.MenuPagesVisible);
        QCOMPARE(w.Tabs()->currentWidget(), w.PageNamed("Files - View"));
        // With the pointer below the top of the source box no key acts.
        QTest::mouseMove(display, QPoint(100, s.Bottom + 50));
        Key(display, Qt::Key_F10);
        QCOMPARE(s.DisplayParameter, 0);
        QTest::mouseMove(display, QPoint(300, s.Top + 50));
        Key(display, Qt::Key_F10);
        QCOMPARE(s.DisplayParameter, 3);
        // A notice shown on the way (a map file being made) goes once the key's screen is drawn.
        app.host.DisplayNotice("Creating map file for pair.KL3");
        QCOMPARE(display->Notice(), std::string("Creating map file for pair.KL3"));
        Key(display, Qt::Key_F12);
        QVERIFY(display->Notice().empty());
        // F2 shows the results page; over the menu pages it draws the display again.
        Key(display, Qt::Key_F2);
        QCOMPARE(w.Tabs()->currentWidget(), w.PageNamed("Results"));
        Key(w.Tabs()->currentWidget(), Qt::Key_F2);
        QCOMPARE(w.Tabs()->currentWidget(), w.PageNamed("Files - View"));
        // Typing in a box keeps its arrow keys.
        QLineEdit* go = Panel(w)->GoBox();
        go->setFocus();
        Key(go, Qt::Key_Down);
        QCOMPARE(s.TimeScale, scale);
    }

    void TwoRightClicksFiftyPixelsApartReadFiftyMilliseconds() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        DisplayWidget* display = app.window->Display();
        DisplayState& s = State(app);
        display->ClickScaleCaption(4); // 1 ms per pixel
        PointerMenu* menu = Panel(*app.window)->Menu();
        QTest::mouseClick(display, Qt::RightButton, {}, QPoint(300, s.Top + 100));
        QTRY_VERIFY(menu->isVisible());
        menu->close();
        QTest::mouseClick(display, Qt::RightButton, {}, QPoint(350, s.Top + 100));
        menu->Item(pointer_menu::ShowInterval)->trigger();
        menu->close();
        QCOMPARE(display->ShowAsLabel()->text(), QString("ICI = 50.0ms  (rate 20.0/s)"));
    }

    void PointerMenuItemsActOnTheBandUnderTheRightClick() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        DisplayWidget* display = app.window->Display();
        DisplayState& s = State(app);
        PointerMenu* menu = Panel(*app.window)->Menu();
        // The KL3 file's first train click: minute 0, 100,000 ticks, at 10 ms per pixel.
        app.window->Display()->ClickScaleCaption(7);
        DisplayContext ctx = display->Context();
        s.ReadPosition = AddDisplayTime({app.program.Slot(2).FirstMinute, 0}, s.Span);
        ShowAt(ctx, PlotLeft, ShowAtMode::RightOfPointer);
        const int x = PlotLeft + 100'000 / s.TicksPerPixel;
        const int y = s.Bands[2].Base - 20;
        QTest::mouseClick(display, Qt::RightButton, {}, QPoint(x, y));
        menu->Item(SetDolphinCaption)->trigger();
        menu->close();
        const std::vector<std::string>& lines = app.host.Results().Lines();
        QVERIFY(!lines.empty());
        QVERIFY(lines.back().find("Species set to dolphin") != std::string::npos);
        // "Close this file" closes the file of that band.
        QTest::mouseClick(display, Qt::RightButton, {}, QPoint(x, y));
        menu->Item(pointer_menu::CloseThisFile)->trigger();
        menu->close();
        QVERIFY(!app.program.Slot(2).IsOpen);
        QVERIFY(app.program.Slot(1).IsOpen);
    }

    void RenameOneFileAndShiftSReachTheFileUtilities() {
        TempDir dir;
        const auto [kl1, kl3] = WriteFilePair(dir);
        DataFileBuilder spike(FileKind::KL1, MakeMinute(2024, 8, 1, 0, 0));
        spike.Minute();
        const std::string spikeFile = spike.Write(dir.File("porpoise SPIKE.KL1"));
        const auto spikeSize = std::filesystem::file_size(spikeFile);
        AppUnderTest app;
        app.window->OpenAtStart({kl1, kl3});
        DisplayWidget* display = app.window->Display();
        DisplayState& s = State(app);
        display->ClickScaleCaption(7);
        // Shift + S: the screen's first minute of the KL1 file goes to the spike file.
        app.host.YesNoAnswers = {true};
        app.host.OpenAnswers = {{spikeFile}};
        QTest::mouseMove(display, QPoint(300, s.Top + 50));
        Key(display, Qt::Key_S, Qt::ShiftModifier);
        QVERIFY(std::filesystem::file_size(spikeFile) > spikeSize);
        // "Rename 1 file" over the KL3 file's band renames that file, not file 1.
        const std::string renamed = dir.File("renamed.KL3");
        app.host.SaveAnswers = {renamed};
        QTest::mouseClick(display, Qt::RightButton, {}, QPoint(300, s.Bands[2].Base - 20));
        PointerMenu* menu = Panel(*app.window)->Menu();
        menu->Item(pointer_menu::RenameOneFile)->trigger();
        menu->close();
        QVERIFY(std::filesystem::exists(renamed));
        QVERIFY(!std::filesystem::exists(kl3));
        QVERIFY(std::filesystem::exists(kl1));
    }

    void TheKl1LabelFitsOnAClickAndADoubleClickLeavesTwenty() {
        TempDir dir;
        const std::string month = WriteMonth(dir);
        AppUnderTest app;
        app.window->OpenAtStart({month});
        DisplayState& s = State(app);
        QLabel* label = app.window->Display()->Kl1DivisorLabel();
        QTest::mouseClick(label, Qt::LeftButton);
        QVERIFY(s.Settings.Kl1DivisorText != "20");
        // A double-click as the window system sends it: press, release, double-click, release.
        QTest::mouseClick(label, Qt::LeftButton);
        QTest::mouseDClick(label, Qt::LeftButton);
        QTest::mouseRelease(label, Qt::LeftButton);
        QCOMPARE(s.Settings.Kl1DivisorText, std::string("20"));
        QCOMPARE(s.Settings.Kl1DivisorCaption, std::string("KL1/"));
    }

    void TheSliderAndTheLongBarMoveThroughTheRange() {
        TempDir dir;
        const std::string month = WriteMonth(dir);
        AppUnderTest app;
        app.window->OpenAtStart({month});
        DisplayWidget* display = app.window->Display();
        DisplayState& s = State(app);
        display->ClickScaleCaption(14);
        const int middle = PlotLeft + s.PlotWidth / 2;
        const int barY = (controls_layout::SliderBarTop + controls_layout::SliderBarBottom) / 2;
        QTest::mousePress(display, Qt::LeftButton, {}, QPoint(s.SliderLeft + 2, barY));
        QCOMPARE(s.SliderWidth, 120);
        QTest::mouseMove(display, QPoint(middle + 2, barY));
        QCOMPARE(s.SliderCaption, DateTimeText(SliderMinute(s, app.program, middle)));
        QTest::mouseRelease(display, Qt::LeftButton, {}, QPoint(middle + 2, barY));
        QVERIFY(s.SliderCaption.empty());
        const MinuteNumber expected = SliderMinute(s, app.program, middle);
        QCOMPARE(s.StartLabel, DateTimeText(expected - expected % 60));
        // A click on the bar right of the slider shows the data right of that x.
        const ClickTime before = PixelToTime(s, PlotLeft);
        QTest::mouseClick(display, Qt::LeftButton, {}, QPoint(s.Right - 20, barY));
        QVERIFY(before < PixelToTime(s, PlotLeft));
    }

    void ButtonsSeekAndFastForward() {
        TempDir dir;
        const std::string month = WriteMonth(dir);
        AppUnderTest app;
        app.window->OpenAtStart({month});
        DisplayCommandPanel* panel = Panel(*app.window);
        DisplayState& s = State(app);
        app.window->Display()->ClickScaleCaption(9);
        panel->StartButton()->click();
        QCOMPARE(s.StartLabel.substr(0, 16), DateTimeText(MonthStart));
        // Seek with N = 1: the next screen as it comes.
        panel->SeekMinimumBox()->setText("1");
        panel->GoOnButton()->click();
        const std::string next = s.StartLabel;
        QVERIFY(next.substr(0, 16) != DateTimeText(MonthStart));
        // With a minimum of 5 clicks in file 1 the next screen is the encounter's.
        panel->SeekBox(1)->click();
        QCOMPARE(panel->SeekMinimumBox()->text(), QString("2"));
        panel->SeekMinimumBox()->setText("5");
        emit panel->SeekMinimumBox()->textEdited("5");
        panel->GoOnButton()->click();
        QCOMPARE(s.StartLabel.substr(0, 16), DateTimeText(Encounter));
        QCOMPARE(s.ClicksShown[1], 40);
        panel->SeekBox(1)->click();

        // Four presses of ">>" leave a delay of 256 ms.
        QPushButton* ff = panel->FastForwardButton();
        QTimer::singleShot(0, ff, [&] {
            ff->click();
            ff->click();
            ff->click();
            panel->StopButton()->click();
        });
        ff->click();
        QCOMPARE(DisplayCommandsOf(app.program).FastForward.DelayMs, 256);
        QCOMPARE(app.program.DataPositionLabel, FastForwardDelayText(256));
        QVERIFY(!DisplayCommandsOf(app.program).FastForward.Running);
    }

    void GoCaptureAndSound() {
        TempDir dir;
        const std::string month = WriteMonth(dir);
        AppUnderTest app;
        DisplayCommandPanel* panel = Panel(*app.window);
        panel->GoBox()->setText("18/05/2024 13:21:10.1");
        panel->GoButton()->click();
        QVERIFY(panel->GoBox()->text().isEmpty()); // file 1 must be open
        app.window->OpenAtStart({month});
        DisplayWidget* display = app.window->Display();
        DisplayState& s = State(app);
        panel->GoBox()->setText("18/05/2024 13:21:10.1");
        panel->GoButton()->click();
        QCOMPARE(PointerTimeText(s, (s.Right + PlotLeft) / 2),
                 std::string("18/05/2024 13:21:10.100000  (centre)"));
        QVERIFY(s.ClicksShown[1] > 0);

        // Shift + G: the display black on white on the clipboard.
        QTest::mouseMove(display, QPoint(300, s.Top + 100));
        Key(display, Qt::Key_G, Qt::ShiftModifier);
        const QImage capture = QGuiApplication::clipboard()->image();
        QCOMPARE(capture.size(), QSize(s.Right + 50 - PlotLeft, s.Bottom + 10 - s.Top - 20));
        int coloured = 0, black = 0;
        for (int y = 0; y < capture.height(); ++y)
            for (int x = 0; x < capture.width(); ++x) {
                const QRgb p = capture.pixel(x, y);
                const int lo = std::min({qRed(p), qGreen(p), qBlue(p)});
                const int hi = std::max({qRed(p), qGreen(p), qBlue(p)});
                coloured += hi - lo > 40;
                black += hi < 60;
            }
        QCOMPARE(coloured, 0);
        QVERIFY(black > 100);
        QVERIFY(!s.Settings.WhiteScreen);

        // Sound: without a sound output the progress line says so once.
        QTest::mouseClick(display, Qt::RightButton, {}, QPoint(300, s.Bands[1].Base - 30));
        Panel(*app.window)->Menu()->close();
        panel->SoundButton()->click();
        if (QMediaDevices::defaultAudioOutput().isNull())
            QCOMPARE(app.program.ProgressLabel, std::string(NoSoundOutputText));
    }

    void TheViewPlusPageSetsTheDisplayOptions() {
        AppUnderTest app;
        auto* page = static_cast<ViewPlusPage*>(app.window->PageNamed("view +"));
        QVERIFY(page != nullptr);
        DisplayState& s = State(app);
        page->Option("white screen")->click();
        QVERIFY(s.Settings.WhiteScreen);
        page->Option("angle")->click();
        QVERIFY(!s.Settings.Angle);
        page->Option("Click to show menu")->click();
        QVERIFY(!DisplayCommandsOf(app.program).ClickToShowMenu);
        page->LineWidthLabel()->clicked();
        QCOMPARE(page->LineWidthLabel()->text(), QString("Display line width + 1"));
        QVERIFY(page->KeyHelp()->toPlainText().startsWith("F1        next screen"));
        app.window->ShowPage("view +");
        page->CloseMenuButton()->click();
        QCOMPARE(app.window->Tabs()->currentWidget(), app.window->PageNamed("Files - View"));
    }
};

QTEST_MAIN(DisplayCommandsTest)
#include "display_commands_test.moc"
