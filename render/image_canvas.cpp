#include "render/image_canvas.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPen>

#include "core/file_io.h"

namespace kelp {
namespace {

QRgb ToQRgb(Colour c) {
    return qRgb(RedOf(c), GreenOf(c), BlueOf(c));
}

QColor ToQColor(Colour c) {
    return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}

// Dash patterns of thin pens, in pixels: dashes of 18 with gaps of 6, dots of 3 with gaps of 3.
bool PatternOn(PenStyle style, int step) {
    switch (style) {
    case PenStyle::Dashed:
        return step % 24 < 18;
    case PenStyle::Dotted:
        return step % 6 < 3;
    default:
        return true;
    }
}

QFont DisplayFont(int pointSize) {
    QFont font;
    font.setFamilies({"DejaVu Sans Condensed", "DejaVu Sans", "Liberation Sans", "Arial"});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(ImageCanvas::PixelSizeOfFont(pointSize));
    return font;
}

} // namespace

namespace {

// Qt's own notices (such as a missing runtime folder on the offscreen platform) are not
// the program's messages; only critical ones are passed on.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

} // namespace

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    qInstallMessageHandler(QuietQtMessages);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr && std::getenv("DISPLAY") == nullptr &&
        std::getenv("WAYLAND_DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char name[] = "kelp";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* application = new QGuiApplication(argc, argv);
    (void)application;
}

ImageCanvas::ImageCanvas(int width, int height, Colour background)
    : image_(std::max(1, width), std::max(1, height), QImage::Format_RGB32) {
    image_.fill(ToQRgb(background));
}

ImageCanvas::ImageCanvas(const QImage& image) : image_(image.convertToFormat(QImage::Format_RGB32)) {
    if (image_.isNull()) {
        image_ = QImage(1, 1, QImage::Format_RGB32);
        image_.fill(ToQRgb(ColourWindowFace));
    }
}

void ImageCanvas::Resize(int width, int height, Colour background) {
    QImage resized(std::max(1, width), std::max(1, height), QImage::Format_RGB32);
    resized.fill(ToQRgb(background));
    const int rows = std::min(resized.height(), image_.height());
    const int bytes = std::min(resized.width(), image_.width()) * static_cast<int>(sizeof(QRgb));
    for (int y = 0; y < rows; ++y) std::copy_n(image_.constScanLine(y), bytes, resized.scanLine(y));
    image_ = std::move(resized);
}

int ImageCanvas::PixelSizeOfFont(int pointSize) {
    return (pointSize * 4 + 1) / 3;
}

Colour ImageCanvas::PixelAt(int x, int y) const {
    const QRgb p = image_.pixel(x, y);
    return MakeColour(qRed(p), qGreen(p), qBlue(p));
}

void ImageCanvas::SetPixel(int x, int y, Colour c) {
    if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return;
    reinterpret_cast<QRgb*>(image_.scanLine(y))[x] = ToQRgb(c);
}

void ImageCanvas::FillRect(int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image_.width());
    bottom = std::min(bottom, image_.height());
    if (left >= right || top >= bottom) return;
    const QRgb colour = ToQRgb(BrushColour());
    for (int y = top; y < bottom; ++y) {
        QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(y));
        std::fill(row + left, row + right, colour);
    }
}

void ImageCanvas::DrawLine(int x0, int y0, int x1, int y1) {
    if (PenWidth() <= 1)
        DrawThinLine(x0, y0, x1, y1);
    else
        DrawWideLine(x0, y0, x1, y1);
}

void ImageCanvas::DrawThinLine(int x0, int y0, int x1, int y1) {
    // Bresenham's line, leaving out the end point.
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const int sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    const Colour colour = PenColour();
    const PenStyle style = CurrentPenStyle();
    for (int step = 0; x0 != x1 || y0 != y1; ++step) {
        if (PatternOn(style, step)) SetPixel(x0, y0, colour);
        const int e2 = 2 * error;
        if (e2 >= dy) {
            error += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            error += dx;
            y0 += sy;
        }
    }
}

void ImageCanvas::DrawWideLine(int x0, int y0, int x1, int y1) {
    // Wide pens draw solid whatever their style, with round ends.
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(ToQColor(PenColour()), PenWidth(), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(QPointF(x0 + 0.5, y0 + 0.5), QPointF(x1 + 0.5, y1 + 0.5));
}

void ImageCanvas::DrawText(int x, int y, const std::string& text, bool rotated) {
    EnsureGuiApplication();
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setFont(DisplayFont(FontSize()));
    painter.setPen(ToQColor(FontColour()));
    painter.translate(x, y);
    if (rotated) painter.rotate(-90);
    const QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    painter.drawText(QRect(0, 0, 4000, 200), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, s);
}

int ImageCanvas::TextWidth(const std::string& text) const {
    EnsureGuiApplication();
    const QFontMetrics metrics(DisplayFont(FontSize()));
    return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
}

void ImageCanvas::TextOut(int x, int y, const std::string& text) {
    DrawText(x, y, text, false);
}

void ImageCanvas::RotatedTextOut(int x, int y, const std::string& text) {
    DrawText(x, y, text, true);
}

CanvasImage ImageCanvas::CopyToImage(int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, image_.width());
    bottom = std::min(bottom, image_.height());
    CanvasImage copy;
    if (left >= right || top >= bottom) return copy;
    copy.Width = right - left;
    copy.Height = bottom - top;
    copy.Pixels.reserve(static_cast<std::size_t>(copy.Width) * copy.Height);
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x) copy.Pixels.push_back(PixelAt(x, y));
    return copy;
}

bool ImageCanvas::SavePng(const std::string& path, std::string* error) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image_.save(&buffer, "PNG")) {
        if (error) *error = "the picture could not be encoded as PNG";
        return false;
    }
    AtomicFileWriter writer(path);
    if (!writer.Open() || !writer.Write(bytes.constData(), static_cast<std::size_t>(bytes.size())) ||
        !writer.Commit()) {
        if (error) *error = SystemErrorText(writer.LastError());
        return false;
    }
    return true;
}

} // namespace kelp
