#include "display/canvas.h"

namespace kelp {

void RecordingCanvas::FillRect(int left, int top, int right, int bottom) {
    CanvasOp op;
    op.What = CanvasOp::Kind::Fill;
    op.X0 = left;
    op.Y0 = top;
    op.X1 = right;
    op.Y1 = bottom;
    op.Colour = BrushColour();
    Ops.push_back(op);
}

void RecordingCanvas::DrawLine(int x0, int y0, int x1, int y1) {
    CanvasOp op;
    op.What = CanvasOp::Kind::Line;
    op.X0 = x0;
    op.Y0 = y0;
    op.X1 = x1;
    op.Y1 = y1;
    op.Colour = PenColour();
    op.Width = PenWidth();
    op.Style = CurrentPenStyle();
    Ops.push_back(op);
}

void RecordingCanvas::TextOut(int x, int y, const std::string& text) {
    CanvasOp op;
    op.What = CanvasOp::Kind::Text;
    op.X0 = x;
    op.Y0 = y;
    op.Colour = FontColour();
    op.Size = FontSize();
    op.Text = text;
    Ops.push_back(op);
}

void RecordingCanvas::RotatedTextOut(int x, int y, const std::string& text) {
    TextOut(x, y, text);
    Ops.back().What = CanvasOp::Kind::RotatedText;
}

CanvasImage RecordingCanvas::CopyToImage(int left, int top, int right, int bottom) {
    CanvasOp op;
    op.What = CanvasOp::Kind::Copy;
    op.X0 = left;
    op.Y0 = top;
    op.X1 = right;
    op.Y1 = bottom;
    Ops.push_back(op);
    CanvasImage image;
    image.Width = right > left ? right - left : 0;
    image.Height = bottom > top ? bottom - top : 0;
    image.Pixels.assign(static_cast<std::size_t>(image.Width) * image.Height, ColourWhite);
    return image;
}

std::vector<CanvasOp> RecordingCanvas::OfKind(CanvasOp::Kind kind) const {
    std::vector<CanvasOp> result;
    for (const CanvasOp& op : Ops)
        if (op.What == kind) result.push_back(op);
    return result;
}

std::vector<std::string> RecordingCanvas::Texts() const {
    std::vector<std::string> result;
    for (const CanvasOp& op : Ops)
        if (op.What == CanvasOp::Kind::Text || op.What == CanvasOp::Kind::RotatedText)
            result.push_back(op.Text);
    return result;
}

const CanvasOp* RecordingCanvas::FindText(const std::string& text) const {
    for (const CanvasOp& op : Ops)
        if ((op.What == CanvasOp::Kind::Text || op.What == CanvasOp::Kind::RotatedText) && op.Text == text)
            return &op;
    return nullptr;
}

} // namespace kelp
