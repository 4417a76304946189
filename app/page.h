#pragma once
// A tab page of the main window. A page holds its controls and turns a control's change
// into a call of the operation behind it; what the operations need lives in Program.
// When something the pages show has changed, the window calls Refresh with the name the
// operation gave (Host::StateChanged); every page takes what concerns it.
#include <functional>
#include <string>

#include <QString>
#include <QWidget>

namespace kelp {

class Program;
class QtHost;
class DisplayWidget;

// What the pages share: the program, its host, the display (on "Files - View") and the
// window's services.
struct AppContext {
    Program& program;
    QtHost& host;
    DisplayWidget* display = nullptr;
    // Brings the page with this tab caption to the front.
    std::function<void(const QString& caption)> ShowPage;
    // Runs a command of a control: not while another command runs (a control clicked while
    // an operation processes window events is ignored), with the busy cursor and the stop
    // request cleared. False when the command was not run.
    std::function<bool(const std::function<void()>& command)> RunCommand;
    // True while a command runs.
    std::function<bool()> CommandRunning;
};

// The background of the text boxes that collect lines (results, reports, uploads).
inline constexpr const char* MemoBackground = "rgb(239, 239, 234)";

class Page : public QWidget {
    Q_OBJECT
public:
    explicit Page(AppContext& app, QWidget* parent = nullptr) : QWidget(parent), app_(app) {}

    // The tab caption.
    virtual QString Caption() const = 0;
    // Shows the program's state again after the change named `what` ("" for everything).
    virtual void Refresh(const std::string& what) { (void)what; }
    // Development mode switched: shows or hides the page's development controls.
    virtual void ApplyDevelopmentMode(bool on) { (void)on; }
    // Start-up: runs the change handlers of the page's boxes once, so that their texts take effect.
    virtual void RunChangeHandlers() {}

protected:
    AppContext& app_;
};

} // namespace kelp
