#pragma once
// The fonts the windows use. Arial and MS Sans Serif are not on every desktop: Arial comes
// through fontconfig's metric-compatible substitute, and the sans font stands for MS Sans Serif.

#include <QFont>

// The programs' default font: sized so every caption fits the windows' twips geometry.
QFont ApplicationFont();

QFont ArialFont(double points, bool bold = false);

// A page's heading label (MS Sans Serif 9.75 pt bold).
QFont HeadingFont();
