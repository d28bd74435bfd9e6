#include "shell/Fonts.h"

QFont ApplicationFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(8.25);
    return font;
}

QFont ArialFont(double points, bool bold) {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

QFont HeadingFont() {
    QFont font = ApplicationFont();
    font.setPointSizeF(9.75);
    font.setBold(true);
    return font;
}
