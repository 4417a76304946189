// The display over fuzzed files: up to three files cut at the separator open into slots 1 to 3
// (the selector's bits pick each one's kind), and one bin screen and one click screen are drawn
// on a recording canvas with the parameter the selector picks, from the start of the shared
// range and from a point inside it.
#include <cstdint>
#include <string>

#include "core/headless_host.h"
#include "core/program.h"
#include "core/slots.h"
#include "display/canvas.h"
#include "display/display_link.h"
#include "display/display_state.h"
#include "display/legends.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "tests/fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kelp;
    if (size < 2) return 0;
    const std::uint8_t selector = data[0];
    const std::uint8_t view = data[1];
    const auto parts = fuzz::SplitParts(data + 2, size - 2, 3);
    static const char* const extensions[3] = {".KL1", ".KL2", ".KL3"};
    fuzz::Scratch().Clear();

    Program program;
    HeadlessHost host;
    RecordingCanvas canvas(600, 400);
    DisplayHooks hooks(program, canvas, host);
    DisplayContext ctx(program, canvas, host);
    StartDisplay(ctx, 600, 400);
    program.Options.ShowTimeErrorAsClk = (selector & 64) != 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const int kind = ((selector >> (2 * i)) & 3) % 3;
        const std::string name = "file" + std::to_string(i + 1) + extensions[kind];
        OpenDataFile(program, host, fuzz::WriteScratchFile(name, parts[i]), static_cast<int>(i) + 1);
    }
    if (program.OpenCount() == 0) return 0;

    const int parameter = view % 10;
    const int binScale = 11 + (view / 10) % 9;
    const int clickScale = (view / 10) % 11;
    const std::int64_t middle = (static_cast<std::int64_t>(program.SharedStart) + program.SharedEnd) / 2;
    for (const int scale : {binScale, clickScale}) {
        if (parameter == 9 && scale <= 10) continue; // noise is drawn on the bin scales only
        SetTimeScale(ctx, scale);
        ShowParameter(ctx, parameter, (selector & 128) != 0);
        for (const MinuteNumber m : {program.SharedStart, static_cast<MinuteNumber>(middle)}) {
            ctx.state.ReadPosition = {m, 0};
            canvas.Clear();
            ShowAt(ctx, PlotLeft, ShowAtMode::FromReadPosition);
        }
    }
    CloseAllFiles(program, host);
    return 0;
}
