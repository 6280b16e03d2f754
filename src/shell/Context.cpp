#include "shell/Context.h"

#include <QStandardPaths>

namespace morvalen {

using namespace Qt::StringLiterals;

Context Context::Production(const QString& programFolder) {
    Context context;
    context.programFolder = programFolder;
    context.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    context.updateBaseUrl = QUrl(u"https://morvalen.example"_s);
    return context;
}

} // namespace morvalen
