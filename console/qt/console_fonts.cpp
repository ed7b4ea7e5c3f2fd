#include "console/qt/console_fonts.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace korva::console {
namespace {

// The first of candidates that is installed, or the last when none is. Looked up once per face: a
// font naming a face the machine lacks sends the toolkit asking fontconfig for it at every size.
QString InstalledFamily(const QStringList& candidates) {
    const QStringList installed = QFontDatabase::families();
    for (const QString& family : candidates) {
        if (installed.contains(family, Qt::CaseInsensitive))
            return family;
    }
    return candidates.back();
}

QFont Bold(const QString& family, QFont::StyleHint hint, int pixels) {
    QFont font(family);
    font.setStyleHint(hint);
    font.setPixelSize(pixels);
    font.setBold(true);
    // Laid out from the face's own metrics (Liberation's are Arial's), so that the texts keep the widths
    // the window was drawn for whatever hinting the desktop asks for. It also spares the toolkit loading
    // every glyph's outline just to learn its hinted width, a good part of the start-up.
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

}  // namespace

QFont ArialBold(int pixels) {
    // Liberation Sans has Arial's metrics.
    static const QString family = InstalledFamily({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    return Bold(family, QFont::SansSerif, pixels);
}

QFont MonoBold(int pixels) {
    static const QString family =
        InstalledFamily({QStringLiteral("Monospac821 BT"), QStringLiteral("Liberation Mono")});
    QFont font = Bold(family, QFont::Monospace, pixels);
    font.setFixedPitch(true);
    return font;
}

}  // namespace korva::console
