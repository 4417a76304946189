#pragma once
// The display's canvas on a QImage: rectangles and thin lines are set pixel by pixel
// (so that their ends and dash patterns are exact), wide lines and text go through
// QPainter with a small sans-serif font. The image can be saved as a PNG file.
#include <string>

#include <QImage>

#include "display/canvas.h"

namespace kelp {

// Text needs a Qt GUI application object; this makes one (on the offscreen platform
// when there is no display) unless the program already has one.
void EnsureGuiApplication();

class ImageCanvas : public Canvas {
public:
    ImageCanvas(int width, int height, Colour background = ColourWindowFace);
    // A canvas over an image of its own (a copy of `image`, in the canvas's pixel format).
    explicit ImageCanvas(const QImage& image);
    // A new size: the drawing stays where it fits, new room gets the background colour.
    void Resize(int width, int height, Colour background = ColourWindowFace);

    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    void FillRect(int left, int top, int right, int bottom) override;
    void TextOut(int x, int y, const std::string& text) override;
    void RotatedTextOut(int x, int y, const std::string& text) override;
    CanvasImage CopyToImage(int left, int top, int right, int bottom) override;
    int TextWidth(const std::string& text) const override;

    const QImage& Image() const { return image_; }
    Colour PixelAt(int x, int y) const;

    // Writes the drawing as a PNG file (under a temporary name first, so a failure
    // leaves no half file). On failure returns false with the reason in `error`.
    bool SavePng(const std::string& path, std::string* error = nullptr) const;

    // The font's pixel height for a point size (7 -> 9, 8 -> 11).
    static int PixelSizeOfFont(int pointSize);

protected:
    void DrawLine(int x0, int y0, int x1, int y1) override;

private:
    void SetPixel(int x, int y, Colour c);
    void DrawThinLine(int x0, int y0, int x1, int y1);
    void DrawWideLine(int x0, int y0, int x1, int y1);
    void DrawText(int x, int y, const std::string& text, bool rotated);

    QImage image_;
};

} // namespace kelp
