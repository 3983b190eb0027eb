// Build-time tool: renders the program logo to the PNG sizes of the desktop icon theme.
// Usage: renderlogo <logo.svg> <output-folder> <size>...
// Writes <output-folder>/<size>x<size>/apps/<basename of output>.png for each size.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    QTextStream err(stderr);
    if (arguments.size() < 5) {
        err << "usage: renderlogo <logo.svg> <output-folder> <icon-name> <size>...\n";
        return 2;
    }

    QSvgRenderer renderer(arguments.at(1));
    if (!renderer.isValid()) {
        err << "cannot read " << arguments.at(1) << '\n';
        return 1;
    }
    const QDir outputFolder(arguments.at(2));
    const QString iconName = arguments.at(3);
    for (const QString &sizeText : arguments.mid(4)) {
        const int size = sizeText.toInt();
        if (size <= 0) {
            err << "bad size " << sizeText << '\n';
            return 2;
        }
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();

        const QString folder = QStringLiteral("%1x%1/apps").arg(size);
        const QString path =
            outputFolder.filePath(folder + QLatin1Char('/') + iconName + QStringLiteral(".png"));
        if (!outputFolder.mkpath(folder) || !image.save(path)) {
            err << "cannot write " << path << '\n';
            return 1;
        }
    }
    return 0;
}
