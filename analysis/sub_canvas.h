#pragma once
// A window onto a larger canvas: drawing at (x, y) lands at (left + x, top + y) of the
// target, clipped to width x height as drawing on an image of that size would be. The
// page's small graph images are drawn side by side into one picture through it.
#include "display/canvas.h"

namespace kelp {

class SubCanvas : public Canvas {
public:
    SubCanvas(Canvas& target, int left, int top, int width, int height);

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void FillRect(int left, int top, int right, int bottom) override;
    // Texts are placed when they start inside the window.
    void TextOut(int x, int y, const std::string& text) override;
    void RotatedTextOut(int x, int y, const std::string& text) override;
    CanvasImage CopyToImage(int left, int top, int right, int bottom) override;
    int TextWidth(const std::string& text) const override;

protected:
    // Horizontal and vertical lines are clipped to the window; other lines are drawn
    // only when both ends lie inside it.
    void DrawLine(int x0, int y0, int x1, int y1) override;

private:
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    void Line(int x0, int y0, int x1, int y1);

    Canvas& target_;
    int left_;
    int top_;
    int width_;
    int height_;
};

} // namespace kelp
