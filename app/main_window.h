#pragma once
// TF, the main window: its tab pages, the start-up of the program's settings, the
// development-mode key sequence, the start timer and closing.
//
// Adding a page: write a class derived from Page (app/page.h) with its Caption(), and add
// one AddPage<...>() line in TF's constructor, among the others in tab order ("Read SD",
// "Files - View", "view +", "Trains", "Settings", "Metadata", "About", "dev", "Export",
// "Results", "Analysis"). The page hears of every change through Refresh, of development
// mode through ApplyDevelopmentMode, and runs its boxes' change handlers at start in
// RunChangeHandlers.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QPointer>

#include "app/development_mode.h"
#include "app/page.h"

class QTabWidget;

namespace kelp {

class Program;
class QtHost;
class DisplayWidget;
class HintStyle;

class TF : public QMainWindow {
    Q_OBJECT
public:
    // `openDialogName`: the command line's arguments joined, proposed by the open dialog.
    TF(Program& program, QtHost& host, const std::string& openDialogName = {});
    ~TF() override;

    // The page with this tab caption (nullptr when there is none).
    Page* PageNamed(const QString& caption) const;
    const std::vector<Page*>& Pages() const { return pages_; }
    void ShowPage(const QString& caption);
    QTabWidget* Tabs() const { return tabs_; }
    DisplayWidget* Display() const { return app_.display; }
    AppContext& App() { return app_; }

    // Runs a control's command unless one is running already; false when not run.
    bool RunCommand(const std::function<void()>& command);
    bool CommandRunning() const { return commandRunning_; }

    // Opens files into the free slots, as "Open up to 3 files" does with the names chosen.
    void OpenAtStart(const std::vector<std::string>& names);
    // The one-shot timer 200 ms after start; RunStartTimer takes its random draw 0..499.
    void StartStartTimer();
    void RunStartTimer(int draw);
    // A key typed with Ctrl held (Qt key code); runs the development-mode sequence.
    void CtrlKey(int key);
    // Takes every pending size and drawing before a picture of the window is taken.
    void SettleForPicture();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    template <class P> P* AddPage() {
        auto* page = new P(app_);
        AddPageWidget(page);
        return page;
    }
    void AddPageWidget(Page* page);
    void CreateForm(const std::string& openDialogName);
    void Refresh(const std::string& what);
    void Splash();

    Program& program_;
    QtHost& host_;
    AppContext app_;
    QTabWidget* tabs_;
    std::vector<Page*> pages_;
    DevelopmentKeySequence keys_;
    bool commandRunning_ = false;
    bool closed_ = false;
    // The key event last counted for the sequence (an event is seen again as it passes up
    // from a control to its parents).
    const void* lastKeyEvent_ = nullptr;
    QPointer<QWidget> lastKeyReceiver_;
    unsigned long lastKeyTime_ = 0;
};

} // namespace kelp
