// SPDX-License-Identifier: MIT
// Draws Quillfen's application icon: a sheet of log paper with a modem's
// answer wave on it and a quill writing it down. Run as
//   quillfen-paint-icon OUTDIR
// to write quillfen-<size>.png for every size the program installs. The small
// sizes drop the finer strokes so they stay legible.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

namespace {

const QColor Ink(0x26, 0x2c, 0x3a);
const QColor Paper(0xfb, 0xf5, 0xe1);
const QColor Rule(0x9a, 0xa4, 0xb5);
const QColor Wave(0x1f, 0x8a, 0x4c);
const QColor Vane(0x2f, 0x6f, 0xc0);
const QColor VaneLight(0x8c, 0xb8, 0xec);

// Everything is drawn on a 32 x 32 grid and scaled to the target size.
void PaintIcon(QPainter& p, int size) {
    const bool small = size < 24;
    const qreal unit = size / 32.0;
    p.setRenderHint(QPainter::Antialiasing, !small);
    p.scale(unit, unit);
    const qreal hair = small ? 32.0 / size : 1.0;  // one device pixel at 16 px

    // The sheet, with a folded top right corner.
    QPainterPath sheet;
    sheet.moveTo(4, 2);
    sheet.lineTo(19, 2);
    sheet.lineTo(25, 8);
    sheet.lineTo(25, 30);
    sheet.lineTo(4, 30);
    sheet.closeSubpath();
    p.setPen(QPen(Ink, small ? hair : 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    p.setBrush(Paper);
    p.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(19, 2);
    fold.lineTo(19, 8);
    fold.lineTo(25, 8);
    p.setBrush(Qt::NoBrush);
    p.drawPath(fold);

    // Lines of the log.
    p.setPen(QPen(Rule, small ? hair : 1.4, Qt::SolidLine, Qt::FlatCap));
    if (small) {
        p.drawLine(QPointF(8, 9), QPointF(16, 9));
        p.drawLine(QPointF(8, 15), QPointF(20, 15));
    } else {
        p.drawLine(QPointF(7.5, 7.5), QPointF(16, 7.5));
        p.drawLine(QPointF(7.5, 11.5), QPointF(21.5, 11.5));
        p.drawLine(QPointF(7.5, 15.5), QPointF(19, 15.5));
    }

    // The modem's answer: a few periods of a carrier.
    QPainterPath wave;
    const qreal left = 7, right = 22, mid = small ? 23 : 22.5, amp = small ? 3 : 2.6;
    for (int i = 0; i <= 60; ++i) {
        qreal x = left + (right - left) * i / 60.0;
        qreal y = mid - amp * std::sin((x - left) / (right - left) * 2 * 3.14159265 * 2);
        if (i == 0) wave.moveTo(x, y); else wave.lineTo(x, y);
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(Wave, small ? 2.2 : 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(wave);

    // The quill, from the top right down to a nib touching the wave's end.
    QPainterPath vane;
    vane.moveTo(30.5, 1.5);
    vane.cubicTo(27, 3, 20.5, 9, 17.5, 18.5);
    vane.lineTo(20, 19.5);
    vane.cubicTo(25.5, 13, 30, 7, 30.5, 1.5);
    vane.closeSubpath();
    p.setPen(QPen(Ink, small ? 1.4 : 0.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Vane);
    p.drawPath(vane);
    if (!small) {
        QPainterPath light;
        light.moveTo(30, 2.5);
        light.cubicTo(26, 6, 22.5, 11, 20.2, 16.5);
        light.lineTo(21.2, 16.9);
        light.cubicTo(24.5, 12, 28, 7, 30, 2.5);
        light.closeSubpath();
        p.setPen(Qt::NoPen);
        p.setBrush(VaneLight);
        p.drawPath(light);
    }
    // Shaft and nib.
    p.setPen(QPen(Ink, small ? 1.8 : 1.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(29.5, 2.5), QPointF(17, 21.5));
    p.setPen(QPen(Ink, small ? 2.4 : 1.8, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(18, 20), QPointF(16.4, 22.6));
}

}  // namespace

int main(int argc, char** argv) {
    // Only images are painted; no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString outDir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
    QDir().mkpath(outDir);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        PaintIcon(painter, size);
        painter.end();
        const QString path = QDir(outDir).filePath(QStringLiteral("quillfen-%1.png").arg(size));
        if (!image.save(path)) {
            std::fprintf(stderr, "paint-icon: cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
