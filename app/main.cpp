// kelp: the KELP logger's desktop program.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include <QApplication>
#include <QScreen>

#include "app/command_line.h"
#include "app/hint_style.h"
#include "app/main_window.h"
#include "app/program_texts.h"
#include "app/qt_host.h"
#include "app/screenshots.h"
#include "app/timed_message.h"
#include "core/program.h"
#include "kelp_version.h"

int main(int argc, char** argv) {
    using namespace kelp;
    // The help and the pictures need no display.
    bool screenshot = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::cout << CommandLineHelp();
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "kelp " << KelpVersion << '\n';
            return 0;
        }
        if (std::strcmp(argv[i], "--screenshot") == 0) screenshot = true;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        if (screenshot) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        } else if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr) {
            std::cerr << "kelp: there is no display here (DISPLAY and WAYLAND_DISPLAY are unset); "
                         "kelp --screenshot DIR saves pictures of the window's pages without one\n";
            return 1;
        }
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(ApplicationTitle);
    QApplication::setStyle(new HintStyle);
    std::vector<std::string> arguments;
    for (const QString& a : QCoreApplication::arguments().mid(1)) arguments.push_back(a.toStdString());
    const CommandLine line = ParseCommandLine(arguments);
    if (!line.Error.empty()) {
        std::cerr << "kelp: " << line.Error << '\n';
        return 2;
    }

    Program program;
    // The keep-awake switch (off) comes with the host; then the main window and the timed
    // message window.
    QtHost host(program);
    TF window(program, host, line.OpenDialogName());
    TTM timedMessage(&window);
    host.SetTimedMessageWindow(&timedMessage);

    if (line.Width > 0) {
        window.resize(line.Width, line.Height);
    } else if (line.Screenshot) {
        window.resize(1280, 800);
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        window.resize(screen->availableGeometry().size());
    }
    if (line.Screenshot || line.Width > 0)
        window.show();
    else
        window.showMaximized();
    window.SettleForPicture();
    if (!line.OpenFiles.empty()) window.OpenAtStart(line.OpenFiles);

    int status = 0;
    if (line.Screenshot) {
        std::vector<std::string> written;
        std::string error;
        if (!SaveScreenshots(window, line.ScreenshotFolder, line.Pages, written, error)) {
            std::cerr << "kelp: " << error << '\n';
            status = 1;
        }
        for (const std::string& path : written) std::cout << "wrote " << path << '\n';
    } else {
        window.StartStartTimer();
        status = QApplication::exec();
    }
    host.KeepAwake().SetState(false);
    return status;
}
