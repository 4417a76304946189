#include "app/command_line.h"

#include <charconv>

namespace kelp {
namespace {

bool IsOption(const std::string& a) {
    return a.size() > 2 && a[0] == '-' && a[1] == '-';
}

bool ParseSize(const std::string& text, int& width, int& height) {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    const char* begin = text.data();
    const char* end = begin + text.size();
    auto [p1, e1] = std::from_chars(begin, begin + x, width);
    auto [p2, e2] = std::from_chars(begin + x + 1, end, height);
    return e1 == std::errc() && e2 == std::errc() && p1 == begin + x && p2 == end && width >= 200 &&
           height >= 200 && width <= 10'000 && height <= 10'000;
}

} // namespace

std::string CommandLine::OpenDialogName() const {
    std::string name;
    for (std::size_t i = 0; i < Arguments.size(); ++i) {
        if (i > 0) name += ' ';
        name += Arguments[i];
    }
    return name;
}

CommandLine ParseCommandLine(const std::vector<std::string>& a) {
    CommandLine c;
    // The values that follow a list option, up to the next option.
    auto takeList = [&a](std::size_t& i, std::vector<std::string>& into) {
        std::size_t taken = 0;
        while (i + 1 < a.size() && !IsOption(a[i + 1])) {
            into.push_back(a[++i]);
            ++taken;
        }
        return taken;
    };
    for (std::size_t i = 0; i < a.size() && c.Error.empty(); ++i) {
        const std::string& arg = a[i];
        if (arg == "--help" || arg == "-h") {
            c.Help = true;
        } else if (arg == "--open") {
            if (takeList(i, c.OpenFiles) == 0) c.Error = "--open needs at least one file";
        } else if (arg == "--screenshot") {
            if (i + 1 >= a.size() || IsOption(a[i + 1]))
                c.Error = "--screenshot needs the folder to write the pictures into";
            else {
                c.Screenshot = true;
                c.ScreenshotFolder = a[++i];
            }
        } else if (arg == "--page") {
            if (takeList(i, c.Pages) == 0) c.Error = "--page needs at least one page name";
        } else if (arg == "--size") {
            if (i + 1 >= a.size() || !ParseSize(a[i + 1], c.Width, c.Height))
                c.Error = "--size needs WIDTHxHEIGHT, each 200 to 10000 pixels";
            else
                ++i;
        } else if (IsOption(arg)) {
            c.Error = "unknown option " + arg + " (kelp --help lists the options)";
        } else {
            c.Arguments.push_back(arg);
        }
    }
    if (c.Error.empty() && !c.Pages.empty() && !c.Screenshot) c.Error = "--page goes with --screenshot";
    return c;
}

std::string CommandLineHelp() {
    return "Usage: kelp [NAME...] [--open FILE...] [--screenshot DIR [--page NAME...]] [--size WxH]\n"
           "\n"
           "The KELP logger's desktop program: reads its SD card, finds click trains, shows,\n"
           "analyses and exports them.\n"
           "\n"
           "  NAME...               proposed, joined by blanks, as the file name of the open dialog\n"
           "  --open FILE...        open up to three KL1, KL2 or KL3 files into slots 1, 2, 3 at start\n"
           "  --screenshot DIR      start, open the --open files, save a PNG picture of each page into\n"
           "                        DIR and quit (no display needed)\n"
           "  --page NAME...        with --screenshot: only these pages (by their tab captions, such\n"
           "                        as \"Files - View\" or Metadata; default: every page)\n"
           "  --size WxH            the window's size in pixels (default: as large as the screen\n"
           "                        allows, 1280x800 for --screenshot)\n"
           "  --version             the program's version\n"
           "  --help                this text\n";
}

} // namespace kelp
