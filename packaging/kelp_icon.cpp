// Draws the program's icon as PNG files of the given sizes: a click train, bars whose
// spacing narrows and whose height rises and falls, over the sea.
// Usage: kelp-icon FOLDER SIZE... (writes FOLDER/SIZE/kelp.png)
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);

    QLinearGradient sea(0, 0, 0, 256);
    sea.setColorAt(0, QColor(0x0b, 0x3d, 0x91));
    sea.setColorAt(1, QColor(0x06, 0x1f, 0x4a));
    p.setPen(Qt::NoPen);
    p.setBrush(sea);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);

    QPainterPath wave;
    wave.moveTo(8, 196);
    for (int x = 8; x <= 248; x += 4) wave.lineTo(x, 196 + 8 * std::sin((x - 8) / 240.0 * 2 * M_PI * 1.5));
    wave.lineTo(248, 204);
    wave.lineTo(248, 248);
    wave.lineTo(8, 248);
    wave.closeSubpath();
    p.save();
    QPainterPath clip;
    clip.addRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    p.setClipPath(clip);
    p.setBrush(QColor(0x1b, 0x9a, 0xaa));
    p.drawPath(wave);
    p.restore();

    // The train: nine clicks, each closer to the last, loudest in the middle.
    const int clicks = 9;
    double x = 44;
    double gap = 30;
    for (int i = 0; i < clicks; ++i) {
        const double loudness = std::sin((i + 0.5) / clicks * M_PI);
        const double height = 40 + 110 * loudness;
        QLinearGradient tone(0, 176 - height, 0, 176);
        tone.setColorAt(0, QColor(0xff, 0xe0, 0x4a));
        tone.setColorAt(1, QColor(0xff, 0x8a, 0x1e));
        p.setBrush(tone);
        p.drawRoundedRect(QRectF(x - 5, 176 - height, 10, height), 5, 5);
        x += gap;
        gap *= 0.9;
    }
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kelp-icon FOLDER SIZE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QString("%1/%2x%2").arg(argv[1]).arg(size);
        if (size < 16 || !QDir().mkpath(folder) || !DrawIcon(size).save(folder + "/kelp.png")) {
            std::fprintf(stderr, "kelp-icon: could not write the %s pixel icon into %s\n", argv[i], argv[1]);
            return 1;
        }
    }
    return 0;
}
