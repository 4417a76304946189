#pragma once
// kelp-cli render run in-process, and the colour of a pixel of the PNG it wrote.
#include <QImage>
#include <string>
#include <vector>

#include "display/canvas.h"
#include "tests/cli/cli_runner.h"

namespace kelp {

inline CliResult Render(std::vector<std::string> args) {
    args.insert(args.begin(), "render");
    return RunKelpCli(std::move(args));
}

inline Colour PixelOf(const QImage& image, int x, int y) {
    const QRgb p = image.pixel(x, y);
    return MakeColour(qRed(p), qGreen(p), qBlue(p));
}

} // namespace kelp
