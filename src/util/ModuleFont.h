#pragma once
// The font of the module's windows and dialogs: SimSun 9 pt, falling back to
// a sans-serif face where SimSun is not installed.
#include <QFont>

inline QFont moduleFont() {
    QFont f(QStringLiteral("SimSun"), 9);
    f.setStyleHint(QFont::SansSerif);
    return f;
}
