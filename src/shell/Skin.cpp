#include "shell/Skin.h"

#include "core/NumberText.h"
#include "core/ThemeTable.h"

#include <QApplication>
#include <QFileInfo>
#include <QPalette>
#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The look the application had before the first skin, to go back to for "no skin".
struct SystemLook {
    QPalette palette;
    QString styleName;
    QString styleSheet;
};

SystemLook& Original(QApplication& app) {
    static SystemLook look{app.palette(), app.style()->name(), app.styleSheet()};
    return look;
}

// Qt mirrors a sheet's "left" in right-to-left windows: "top left" puts a group box's title
// at the top right of a Persian window, where its reading starts.
// A group box gets its own background: with a border in the sheet Qt stops filling it, and
// the panels laid over a window (introduction, help, answers, notices) would show through.
QString Sheet(const QColor& accent, const QColor& button, const QColor& text) {
    return uR"(
QPushButton { background: %2; color: %3; border: 1px solid %1; border-radius: 4px; padding: 4px 14px; }
QPushButton:hover { border: 2px solid %1; }
QPushButton:disabled { color: palette(mid); border-color: palette(mid); }
QGroupBox { border: 1px solid %1; border-radius: 5px; margin-top: 1.2em; background-color: palette(window); }
QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; padding: 0 6px; color: %1; }
QToolBar { border-bottom: 2px solid %1; }
QHeaderView::section { background: %2; color: %3; border: 0; border-left: 1px solid %1; padding: 3px; }
)"_s.arg(accent.name(), button.name(), text.name());
}

} // namespace

QColor ApplyTheme(QApplication& app, const QString& programFolder, const QString& themeText) {
    const SystemLook& original = Original(app);
    const SkinChoice choice = SkinForTheme(LeadingNumber(themeText.toStdString()));
    const QString path =
        programFolder + u'/' + QString::fromUtf8(choice.styleFile.data(), qsizetype(choice.styleFile.size()));
    const QString scheme = QString::fromUtf8(choice.scheme.data(), qsizetype(choice.scheme.size()));
    QSettings style(path, QSettings::IniFormat);
    const bool found = !choice.none() && QFileInfo(path).isFile() && style.childGroups().contains(scheme);
    if (!found) {
        app.setStyleSheet(original.styleSheet);
        if (QStyle* system = QStyleFactory::create(original.styleName)) {
            app.setStyle(system);
        }
        app.setPalette(original.palette);
        return app.palette().color(QPalette::Window);
    }
    style.beginGroup(scheme);
    const auto colour = [&style](const char* key, const QColor& fallback) {
        const QColor c(style.value(QString::fromLatin1(key)).toString());
        return c.isValid() ? c : fallback;
    };
    QPalette palette = original.palette;
    const QColor window = colour("window", palette.color(QPalette::Window));
    const QColor text = colour("windowText", palette.color(QPalette::WindowText));
    const QColor button = colour("button", palette.color(QPalette::Button));
    const QColor buttonText = colour("buttonText", text);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, colour("base", palette.color(QPalette::Base)));
    palette.setColor(QPalette::AlternateBase,
                     colour("alternateBase", palette.color(QPalette::AlternateBase)));
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, buttonText);
    palette.setColor(QPalette::Highlight, colour("highlight", palette.color(QPalette::Highlight)));
    palette.setColor(QPalette::HighlightedText, colour("highlightedText", Qt::white));
    palette.setColor(QPalette::ToolTipBase, window);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, text.lighter(160));
    const QColor accent = colour("accent", palette.color(QPalette::Highlight));
    // One style everywhere, so the palette reads the same on every system.
    app.setStyle(QStyleFactory::create(u"Fusion"_s));
    app.setPalette(palette);
    app.setStyleSheet(Sheet(accent, button, buttonText));
    return window;
}

} // namespace morvalen
