// Build-time helper: the logo as square icons for the icon theme. The logo is taller than wide, so
// it is scaled to fit and centred on a transparent square.
//
//   dravik_make_icon LOGO OUT_DIR SIZE...   writes OUT_DIR/SIZExSIZE/dravik-lumo.png

#include <QDir>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s LOGO OUT_DIR SIZE...\n", argv[0]);
        return 2;
    }
    const QImage logo(QString::fromLocal8Bit(argv[1]));
    if (logo.isNull()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        QImage icon(size, size, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        const QImage scaled =
            logo.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&icon);
        painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
        painter.end();
        const QString dir =
            QStringLiteral("%1/%2x%2").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        if (!QDir().mkpath(dir) || !icon.save(dir + QStringLiteral("/dravik-lumo.png"))) {
            std::fprintf(stderr, "cannot write the %dx%d icon in %s\n", size, size, argv[2]);
            return 1;
        }
    }
    return 0;
}
