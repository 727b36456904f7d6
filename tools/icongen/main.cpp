// Draws every icon of Quorvel from code and writes them as PNG files.
//
// Usage: quorvel-icongen OUTDIR [--contact SHEET.png]
//
// OUTDIR receives rec/<name>.png for the toolbar icons and quorvel.png for the
// application icon. With --contact, a sheet showing every icon at toolbar size
// and at full size on light and dark backgrounds is written as well.
//
// All icons are drawn on a 128 x 128 design grid; the 96 x 96 ones are the same
// drawing scaled down, so every icon has the same stroke weight once the toolbar
// shows them at one size.

#include "icons.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <QTextStream>

#include <cstdlib>
#include <vector>

using namespace IconGen;

namespace {

// Every icon at toolbar size (plain and magnified) and at full size, on a
// white, a grey and a dark background.
QImage contactSheet(const std::vector<QImage> &images)
{
    const QColor backgrounds[3] = {QColor(0xff, 0xff, 0xff), QColor(0xb8, 0xb8, 0xb8),
                                   QColor(0x3a, 0x3d, 0x41)};
    const int n = int(images.size());
    const int cell = 136;
    const int bandHeight = 40 + 104 + cell;
    QImage sheet(n * cell, 3 * bandHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform, false);
    for (int b = 0; b < 3; ++b) {
        const int top = b * bandHeight;
        p.fillRect(0, top, sheet.width(), bandHeight, backgrounds[b]);
        for (int i = 0; i < n; ++i) {
            const QImage small =
                images[size_t(i)].scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            const int x = i * cell;
            p.drawImage(x + (cell - 32) / 2, top + 4, small);
            p.drawImage(QRect(x + (cell - 96) / 2, top + 40, 96, 96), small);
            const QImage &full = images[size_t(i)];
            p.drawImage(x + (cell - full.width()) / 2, top + 144 + (cell - full.height()) / 2,
                        full);
        }
    }
    p.end();
    return sheet;
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QStringList args = QCoreApplication::arguments();
    args.removeFirst();
    QString contact;
    const int contactAt = args.indexOf(QStringLiteral("--contact"));
    if (contactAt >= 0) {
        if (contactAt + 1 >= args.size()) {
            QTextStream(stderr) << "--contact needs a file name\n";
            return EXIT_FAILURE;
        }
        contact = args.at(contactAt + 1);
        args.removeAt(contactAt + 1);
        args.removeAt(contactAt);
    }
    if (args.size() != 1) {
        QTextStream(stderr) << "usage: quorvel-icongen OUTDIR [--contact SHEET.png]\n";
        return EXIT_FAILURE;
    }

    const QDir out(args.first());
    std::vector<QImage> images;
    for (const Icon &icon : allIcons()) {
        const QString path = out.filePath(icon.file);
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            QTextStream(stderr) << "cannot create the folder for " << path << '\n';
            return EXIT_FAILURE;
        }
        const QImage image = render(icon);
        if (!image.save(path, "PNG")) {
            QTextStream(stderr) << "cannot write " << path << '\n';
            return EXIT_FAILURE;
        }
        images.push_back(image);
    }
    if (!contact.isEmpty() && !contactSheet(images).save(contact, "PNG")) {
        QTextStream(stderr) << "cannot write " << contact << '\n';
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
