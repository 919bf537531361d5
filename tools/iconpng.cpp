// Renders the program's SVG icon into the PNG sizes desktops look up:
//   tarvos-iconpng ICON.svg OUTDIR SIZE...   (writes OUTDIR/SIZE/NAME.png)
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char* argv[])
{
    // Drawn without a screen: the build machine may have none.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        QTextStream(stderr) << "Aufruf: tarvos-iconpng ICON.svg ZIELORDNER GRÖSSE...\n";
        return 2;
    }
    QSvgRenderer svg(args[1]);
    if (!svg.isValid()) {
        QTextStream(stderr) << "Kein lesbares SVG: " << args[1] << "\n";
        return 1;
    }
    const QString name = QFileInfo(args[1]).completeBaseName() + QStringLiteral(".png");
    for (int i = 3; i < args.size(); ++i) {
        bool ok = false;
        const int size = args[i].toInt(&ok);
        if (!ok || size < 8 || size > 1024) {
            QTextStream(stderr) << "Ungültige Größe: " << args[i] << "\n";
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        const QString dir = QDir(args[2]).filePath(QString::number(size));
        if (!QDir().mkpath(dir) || !image.save(QDir(dir).filePath(name))) {
            QTextStream(stderr) << "Kann nicht schreiben: " << QDir(dir).filePath(name) << "\n";
            return 1;
        }
    }
    return 0;
}
