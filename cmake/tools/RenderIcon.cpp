// Build tool: renders an SVG icon to square PNGs of the given sizes through
// Qt's SVG image plugin, so the installed bitmaps always match the SVG.
//   phonara-render-icon ICON.svg OUTDIR SIZE...  ->  OUTDIR/SIZExSIZE/apps/<name>.png

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 4) {
        std::fprintf(stderr, "usage: phonara-render-icon ICON.svg OUTDIR SIZE...\n");
        return 2;
    }
    const QString svg = arguments.at(1);
    const QString name = QFileInfo(svg).completeBaseName();
    for (qsizetype i = 3; i < arguments.size(); ++i) {
        bool ok = false;
        const int size = arguments.at(i).toInt(&ok);
        if (!ok || size <= 0) {
            std::fprintf(stderr, "not a size: %s\n", qPrintable(arguments.at(i)));
            return 2;
        }
        QImageReader reader(svg, "svg");
        reader.setScaledSize(QSize(size, size));
        const QImage image = reader.read();
        if (image.isNull()) {
            std::fprintf(stderr, "cannot render %s: %s\n", qPrintable(svg),
                         qPrintable(reader.errorString()));
            return 1;
        }
        const QString dir = QStringLiteral("%1/%2x%2/apps").arg(arguments.at(2)).arg(size);
        const QString png = dir + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(dir) || !image.save(png, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(png));
            return 1;
        }
    }
    return 0;
}
