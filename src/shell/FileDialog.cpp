#include "shell/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QQueue>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

struct Hooks {
    QQueue<QString> names;
    QVector<FileDialog::Record> shown;
};

Hooks& TheHooks() {
    static Hooks hooks;
    return hooks;
}

// Runs a dialog and puts the current folder back, whatever the dialog did to it.
template <typename Show> QString RunDialog(const FileDialog::Record& record, Show show) {
    Hooks& hooks = TheHooks();
    hooks.shown.append(record);
    if (!hooks.names.isEmpty()) {
        return hooks.names.dequeue();
    }
    const QString current = QDir::currentPath();
    const QString chosen = show();
    QDir::setCurrent(current);
    return chosen;
}

} // namespace

QString FileDialog::WithSuffix(const QString& name, const QString& suffix) {
    return name.endsWith(suffix, Qt::CaseInsensitive) ? name : name + suffix;
}

QString FileDialog::QtFilter(const QString& barFilter) {
    const QStringList parts = barFilter.split(u'|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        filters.append(u"%1 (%2)"_s.arg(parts[i].trimmed(), parts[i + 1].trimmed().replace(u';', u' ')));
    }
    return filters.join(u";;"_s);
}

QString FileDialog::getOpenFileName(QWidget* parent, const QString& title, const QString& startFolder,
                                    const QString& filter) {
    return RunDialog({false, title, startFolder, QString(), filter}, [&] {
        return QFileDialog::getOpenFileName(parent, title, startFolder, QtFilter(filter));
    });
}

QString FileDialog::getSaveFileName(QWidget* parent, const QString& title, const QString& startFolder,
                                    const QString& suggested, const QString& filter,
                                    QString* selectedFilter) {
    return RunDialog({true, title, startFolder, suggested, filter}, [&] {
        const QString start = QDir(startFolder).filePath(suggested);
        return QFileDialog::getSaveFileName(parent, title, start, QtFilter(filter), selectedFilter);
    });
}

void FileDialog::setNextFileName(const QString& name) {
    TheHooks().names.enqueue(name);
}

void FileDialog::clearNextFileNames() {
    TheHooks().names.clear();
}

const QVector<FileDialog::Record>& FileDialog::shown() {
    return TheHooks().shown;
}

void FileDialog::clearShown() {
    TheHooks().shown.clear();
}

} // namespace morvalen
