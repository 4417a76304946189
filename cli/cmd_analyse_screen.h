#pragma once
// The display that the frequency graph and the correlations draw over, for kelp-cli: the
// files opened into slots 1..3, one screen set up at a time scale, and the picture saved
// as a PNG file (a window-sized image with the display's controls) when one is asked for.
#include <memory>
#include <string>
#include <vector>

#include "cli/registry.h"
#include "core/slots.h"
#include "display/controls.h"
#include "display/display_link.h"
#include "display/navigation.h"
#include "display/screen.h"
#include "render/image_canvas.h"

namespace kelp::cli {

class AnalysisScreen {
public:
    // A picture needs a real image; without one the drawing is only recorded.
    AnalysisScreen(Context& ctx, bool picture) : ctx_(ctx) {
        if (picture) {
            EnsureGuiApplication();
            auto image = std::make_unique<ImageCanvas>(DefaultClientWidth, DefaultClientHeight);
            image_ = image.get();
            canvas_ = std::move(image);
        }
        if (!canvas_) canvas_ = std::make_unique<RecordingCanvas>(DefaultClientWidth, DefaultClientHeight);
        hooks_ = std::make_unique<DisplayHooks>(ctx.program, *canvas_, ctx.host);
        display_ = std::make_unique<DisplayContext>(ctx.program, *canvas_, ctx.host);
        StartDisplay(*display_, DefaultClientWidth, DefaultClientHeight);
    }

    DisplayContext& Display() { return *display_; }

    // Opens the files into slots 1, 2, 3 in order and sets the time scale.
    bool Open(const std::vector<std::string>& files, int scale) {
        for (std::size_t i = 0; i < files.size(); ++i)
            if (!OpenDataFile(ctx_.program, ctx_.host, files[i], static_cast<int>(i) + 1)) return false;
        SetTimeScale(*display_, scale);
        return true;
    }

    // Draws the window's controls around the display and writes the picture.
    bool Save(const std::string& path) {
        if (!image_) return false;
        WindowTexts texts;
        texts.SourceBox = ctx_.program.SourceBox;
        texts.TitleLabel = ctx_.program.Display.TitleLabel;
        texts.ProgressLabel = ctx_.program.ProgressLabel;
        texts.ClickCountLabel = ctx_.program.ClickCountLabel;
        DrawWindowControls(*display_, texts);
        std::string error;
        if (image_->SavePng(path, &error)) return true;
        ctx_.host.ShowTimedMessage(Message5s, path + " could not be written.  (" + error + ")");
        return false;
    }

private:
    Context& ctx_;
    std::unique_ptr<Canvas> canvas_;
    ImageCanvas* image_ = nullptr;
    std::unique_ptr<DisplayHooks> hooks_;
    std::unique_ptr<DisplayContext> display_;
};

} // namespace kelp::cli
