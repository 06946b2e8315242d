// Renders the desktop icon from the drawing the main window shows (paint_logo), so the icon and
// the window's logo cannot drift apart:
//   logo_icons OUTDIR NAME SIZE...
// writes OUTDIR/scalable/apps/NAME.svg and OUTDIR/SIZExSIZE/apps/NAME.png for each size. It needs
// fonts, not a display: run it with QT_QPA_PLATFORM=offscreen.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <cstdio>

#include "ui/main/logo.h"

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: logo_icons OUTDIR NAME SIZE...\n");
        return 2;
    }
    const QString dir = args[1], name = args[2];
    auto folder = [&](const QString& sub) {
        const QString path = dir + "/" + sub + "/apps";
        QDir().mkpath(path);
        return path + "/" + name;
    };
    bool ok = true;

    // The vector icon in the size of the largest usual bitmap; the view box makes it scalable.
    constexpr int kSvgSize = 256;
    QSvgGenerator svg;
    svg.setFileName(folder("scalable") + ".svg");
    svg.setSize(QSize(kSvgSize, kSvgSize));
    svg.setViewBox(QRect(0, 0, kSvgSize, kSvgSize));
    svg.setTitle("KSY7100 evaluation tool");
    QPainter vector(&svg);
    paint_logo(vector, QSizeF(kSvgSize, kSvgSize));
    ok &= vector.end();

    for (int i = 3; i < args.size(); ++i) {
        const int size = args[i].toInt();
        if (size <= 0) {
            std::fprintf(stderr, "logo_icons: bad size %s\n", qPrintable(args[i]));
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter bitmap(&image);
        paint_logo(bitmap, QSizeF(size, size));
        bitmap.end();
        const QString path = folder(QString("%1x%1").arg(size)) + ".png";
        if (!image.save(path, "PNG")) {
            std::fprintf(stderr, "logo_icons: cannot write %s\n", qPrintable(path));
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
