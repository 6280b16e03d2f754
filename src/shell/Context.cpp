#include "shell/Context.h"

#include "core/MakerSite.h"

#include <QStandardPaths>

namespace morvalen {

using namespace Qt::StringLiterals;

Context Context::Production(const QString& programFolder) {
    Context context;
    context.programFolder = programFolder;
    context.documentsFolder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    context.updateBaseUrl = QUrl(QString::fromLatin1(kMakerSite));
    return context;
}

} // namespace morvalen
