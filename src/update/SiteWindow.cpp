#include "update/SiteWindow.h"

#include "shell/Desktop.h"
#include "views/AboutWindow.h"

#include <QLabel>
#include <QVBoxLayout>

#ifdef MORVALEN_HAVE_WEBENGINE
#include <QWebEngineView>
#endif

namespace morvalen {

using namespace Qt::StringLiterals;

bool SiteWindow::HasEmbeddedBrowser() {
#ifdef MORVALEN_HAVE_WEBENGINE
    return true;
#else
    return false;
#endif
}

void SiteWindow::Open(const Context& context, QWidget* mainWindow) {
    if (!HasEmbeddedBrowser()) {
        Desktop::openUrl(AboutWindow::SiteAddress(context));
        return;
    }
    (new SiteWindow(context, mainWindow))->show();
}

SiteWindow::SiteWindow(const Context& context, QWidget* mainWindow) : m_mainLock(mainWindow) {
    setObjectName(u"SiteWindow"_s);
    m_mainLock.releaseWhenFinished(this);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(u"Morvalen"_s);
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    const QUrl site = AboutWindow::SiteAddress(context);
    // The layout keeps the page filling the whole window at every size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
#ifdef MORVALEN_HAVE_WEBENGINE
    auto* view = new QWebEngineView(this);
    view->load(site);
    m_browser = view;
#else
    auto* link = new QLabel(u"<a href=\"%1\">%1</a>"_s.arg(site.toString().toHtmlEscaped()), this);
    link->setAlignment(Qt::AlignCenter);
    connect(link, &QLabel::linkActivated, this, [](const QString& url) { Desktop::openUrl(QUrl(url)); });
    m_browser = link;
#endif
    m_browser->setObjectName(u"browser"_s);
    layout->addWidget(m_browser);
    resize(1000, 700);
}

SiteWindow::~SiteWindow() = default;

} // namespace morvalen
