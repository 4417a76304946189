#pragma once
// The drawing surface the display draws on, in pixel coordinates with y growing
// downwards: filled rectangles, lines with a pen, text, text rotated by 90 degrees
// and a copy of a rectangle into an image. The app and the command line supply it
// on a real image; the tests use the recording canvas below.
#include <cstdint>
#include <string>
#include <vector>

namespace kelp {

// A colour as the program's tables give it: 0x00BBGGRR (0x0000FF is red).
using Colour = std::uint32_t;

inline constexpr Colour MakeColour(int red, int green, int blue) {
    return static_cast<Colour>((blue & 0xFF) << 16 | (green & 0xFF) << 8 | (red & 0xFF));
}
inline constexpr int RedOf(Colour c) {
    return static_cast<int>(c & 0xFF);
}
inline constexpr int GreenOf(Colour c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline constexpr int BlueOf(Colour c) {
    return static_cast<int>((c >> 16) & 0xFF);
}

inline constexpr Colour ColourBlack = 0x000000;
inline constexpr Colour ColourWhite = 0xFFFFFF;
inline constexpr Colour ColourRed = 0x0000FF;
inline constexpr Colour ColourYellow = 0x00FFFF;
inline constexpr Colour ColourGreen = 0x008000;
inline constexpr Colour ColourGrey = 0x808080;
inline constexpr Colour ColourSilver = 0xC0C0C0;
inline constexpr Colour ColourNavy = 0x800000;
inline constexpr Colour ColourBlue = 0xFF0000;
inline constexpr Colour ColourMagenta = 0xFF00FF;
inline constexpr Colour ColourTeal = 0x808000;
inline constexpr Colour ColourMaroon = 0x000080;
// The window's face colour (the background of the window around the display).
inline constexpr Colour ColourWindowFace = 0xF0F0F0;

enum class PenStyle { Solid, Dashed, Dotted };

// A rectangle copied out of the drawing, row by row.
struct CanvasImage {
    int Width = 0;
    int Height = 0;
    std::vector<Colour> Pixels;

    Colour At(int x, int y) const { return Pixels[static_cast<std::size_t>(y) * Width + x]; }
};

// Threads and ownership: a canvas is drawn on by one thread at a time, the window's canvas
// only from the window's thread. Whoever makes it owns it (the app, kelp-cli render, a test);
// the display borrows it for a call (DisplayContext), or for the life of its DisplayHooks.
class Canvas {
public:
    virtual ~Canvas() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;

    // Brush, pen and font; they stay until changed.
    void SetBrushColour(Colour c) { brush_ = c; }
    void SetPenColour(Colour c) { penColour_ = c; }
    // Pen widths run from 1 to 5.
    void SetPenWidth(int width) { penWidth_ = width < 1 ? 1 : (width > 5 ? 5 : width); }
    void SetPenStyle(PenStyle style) { penStyle_ = style; }
    void SetPen(Colour c, int width = 1, PenStyle style = PenStyle::Solid) {
        SetPenColour(c);
        SetPenWidth(width);
        SetPenStyle(style);
    }
    void SetFontColour(Colour c) { fontColour_ = c; }
    // Font sizes in points (the display uses 7 and 8).
    void SetFontSize(int size) { fontSize_ = size < 1 ? 1 : size; }
    void SetFont(Colour c, int size) {
        SetFontColour(c);
        SetFontSize(size);
    }

    Colour BrushColour() const { return brush_; }
    Colour PenColour() const { return penColour_; }
    int PenWidth() const { return penWidth_; }
    PenStyle CurrentPenStyle() const { return penStyle_; }
    Colour FontColour() const { return fontColour_; }
    int FontSize() const { return fontSize_; }

    // Fills x = left .. right - 1, y = top .. bottom - 1 with the brush colour; an empty
    // or inverted rectangle fills nothing.
    virtual void FillRect(int left, int top, int right, int bottom) = 0;

    void MoveTo(int x, int y) {
        penX_ = x;
        penY_ = y;
    }
    // A line from the pen position to (x, y) with the current pen; the end point itself
    // is not drawn, so that joined lines do not double their corners. The pen moves there.
    void LineTo(int x, int y) {
        DrawLine(penX_, penY_, x, y);
        penX_ = x;
        penY_ = y;
    }
    int PenX() const { return penX_; }
    int PenY() const { return penY_; }

    // Text with its top left corner at (x, y), in the font colour and size, on a
    // transparent background.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    // Text rotated 90 degrees anticlockwise: it starts at (x, y) and runs upwards, the
    // tops of its letters towards x.
    virtual void RotatedTextOut(int x, int y, const std::string& text) = 0;

    // A copy of x = left .. right - 1, y = top .. bottom - 1 (clipped to the drawing).
    virtual CanvasImage CopyToImage(int left, int top, int right, int bottom) = 0;

    // The width of a text in the current font, for placing labels side by side. The
    // estimate here suits a small condensed font; real surfaces measure.
    virtual int TextWidth(const std::string& text) const {
        return static_cast<int>(text.size()) * FontSize() * 5 / 7;
    }

protected:
    virtual void DrawLine(int x0, int y0, int x1, int y1) = 0;

private:
    Colour brush_ = ColourWhite;
    Colour penColour_ = ColourBlack;
    int penWidth_ = 1;
    PenStyle penStyle_ = PenStyle::Solid;
    Colour fontColour_ = ColourBlack;
    int fontSize_ = 7;
    int penX_ = 0;
    int penY_ = 0;
};

// A canvas that only records what is drawn on it, for the tests.
struct CanvasOp {
    enum class Kind { Fill, Line, Text, RotatedText, Copy };
    Kind What = Kind::Fill;
    int X0 = 0, Y0 = 0, X1 = 0, Y1 = 0; // rectangle or line ends; text position in X0, Y0
    kelp::Colour Colour = 0;            // brush, pen or font colour
    int Width = 1;                      // pen width
    PenStyle Style = PenStyle::Solid;
    int Size = 0; // font size
    std::string Text;
};

class RecordingCanvas : public Canvas {
public:
    RecordingCanvas(int width = 1200, int height = 800) : width_(width), height_(height) {}

    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void FillRect(int left, int top, int right, int bottom) override;
    void TextOut(int x, int y, const std::string& text) override;
    void RotatedTextOut(int x, int y, const std::string& text) override;
    CanvasImage CopyToImage(int left, int top, int right, int bottom) override;

    std::vector<CanvasOp> Ops;
    void Clear() { Ops.clear(); }

    // The recorded operations of one kind, in order.
    std::vector<CanvasOp> OfKind(CanvasOp::Kind kind) const;
    // The texts drawn (plain or rotated), in order.
    std::vector<std::string> Texts() const;
    // The first text operation with exactly this text, or nullptr.
    const CanvasOp* FindText(const std::string& text) const;

protected:
    void DrawLine(int x0, int y0, int x1, int y1) override;

private:
    int width_;
    int height_;
};

} // namespace kelp
