#include "shell/Appearance.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

namespace morvalen {

using namespace Qt::StringLiterals;

QFont NazaninFont(qreal pointSize, bool bold) {
    QFont font(u"B Nazanin"_s);
    font.setPointSizeF(pointSize);
    font.setBold(bold);
    return font;
}

void ConfigureApplication(QApplication& app) {
    QFont::insertSubstitutions(u"B Nazanin"_s, {u"Nazli"_s, u"Noto Naskh Arabic"_s, u"Noto Sans Arabic"_s});
    // The product name is set in a heavy display face; a bold serif stands in for it.
    QFont::insertSubstitutions(u"Cooper Black"_s, {u"DejaVu Serif"_s, u"Noto Serif"_s});
    // No display name: the system would append it to every window title ("پيام — Morvalen"),
    // and each window shows exactly its own title.
    app.setApplicationName(u"Morvalen"_s);
    app.setApplicationVersion(QStringLiteral(MORVALEN_VERSION));
    app.setWindowIcon(QIcon(u":/icons/morvalen.svg"_s));
    // Qt's own texts (dialog buttons, the file dialog) in Persian too, where installed.
    auto* translator = new QTranslator(&app);
    if (translator->load(u"qtbase_fa"_s, QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(translator);
    }
    app.setLayoutDirection(Qt::RightToLeft);
    app.setFont(NazaninFont(11));
}

} // namespace morvalen
