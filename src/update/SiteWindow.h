#pragma once

#include "shell/Context.h"
#include "views/MainWindowLock.h"

#include <QDialog>

namespace morvalen {

// The maker's web site inside the program, in a browser that fills the window. Builds without
// a web engine open the site in the system's browser instead.
class SiteWindow : public QDialog {
    Q_OBJECT

public:
    SiteWindow(const Context& context, QWidget* mainWindow);
    ~SiteWindow() override;

    // Whether this build has the embedded browser.
    static bool HasEmbeddedBrowser();
    // Shows the site: in this window where the browser is built in, else in the system's browser.
    static void Open(const Context& context, QWidget* mainWindow);

    QWidget* m_browser = nullptr; // the page, or without a web engine a link to it

private:
    MainWindowLock m_mainLock;
};

} // namespace morvalen
