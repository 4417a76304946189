#include "analysis/sub_canvas.h"

#include <algorithm>

namespace kelp {

SubCanvas::SubCanvas(Canvas& target, int left, int top, int width, int height)
    : target_(target), left_(left), top_(top), width_(width), height_(height) {}

void SubCanvas::FillRect(int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    if (left >= right || top >= bottom) return;
    target_.SetBrushColour(BrushColour());
    target_.FillRect(left + left_, top + top_, right + left_, bottom + top_);
}

void SubCanvas::TextOut(int x, int y, const std::string& text) {
    if (!Inside(x, y)) return;
    target_.SetFont(FontColour(), FontSize());
    target_.TextOut(x + left_, y + top_, text);
}

void SubCanvas::RotatedTextOut(int x, int y, const std::string& text) {
    if (!Inside(x, y)) return;
    target_.SetFont(FontColour(), FontSize());
    target_.RotatedTextOut(x + left_, y + top_, text);
}

CanvasImage SubCanvas::CopyToImage(int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width_);
    bottom = std::min(bottom, height_);
    return target_.CopyToImage(left + left_, top + top_, right + left_, bottom + top_);
}

int SubCanvas::TextWidth(const std::string& text) const {
    target_.SetFont(FontColour(), FontSize());
    return target_.TextWidth(text);
}

void SubCanvas::Line(int x0, int y0, int x1, int y1) {
    target_.SetPen(PenColour(), PenWidth(), CurrentPenStyle());
    target_.MoveTo(x0 + left_, y0 + top_);
    target_.LineTo(x1 + left_, y1 + top_);
}

void SubCanvas::DrawLine(int x0, int y0, int x1, int y1) {
    // A line covers its start and every pixel up to, but not including, its end.
    if (x0 == x1 || y0 == y1) {
        const bool vertical = x0 == x1;
        const int fixed = vertical ? x0 : y0;
        if (fixed < 0 || fixed >= (vertical ? width_ : height_)) return;
        const int from = vertical ? y0 : x0;
        const int to = vertical ? y1 : x1;
        if (from == to) return;
        const int dir = to > from ? 1 : -1;
        const int limit = (vertical ? height_ : width_) - 1;
        int first = from;
        int last = to - dir; // the last pixel drawn
        if (dir > 0) {
            first = std::max(first, 0);
            last = std::min(last, limit);
            if (first > last) return;
        } else {
            first = std::min(first, limit);
            last = std::max(last, 0);
            if (first < last) return;
        }
        if (vertical)
            Line(fixed, first, fixed, last + dir);
        else
            Line(first, fixed, last + dir, fixed);
        return;
    }
    if (Inside(x0, y0) && Inside(x1, y1)) Line(x0, y0, x1, y1);
}

} // namespace kelp
