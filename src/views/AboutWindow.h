#pragma once

#include "shell/Context.h"
#include "views/MainWindowLock.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace morvalen {

// The program's version, the questionnaire it gives and the maker's contact lines, three of
// which open the maker's pages.
class AboutWindow : public QDialog {
    Q_OBJECT

public:
    AboutWindow(const Context& context, QWidget* mainWindow);
    ~AboutWindow() override;

    // The maker's addresses: the shop, a conversation, and the site itself.
    static QUrl ShopAddress(const Context& context);
    static QUrl MessagingAddress(const Context& context);
    static QUrl SiteAddress(const Context& context);

    // In the window's order, top to bottom.
    QLabel* m_titleLabel = nullptr; // what the program does
    QLabel* m_versionLabel = nullptr;
    QLabel* m_itemCountLabel = nullptr;
    QLabel* m_releaseDateLabel = nullptr;
    QLabel* m_supervisionLabel = nullptr;
    QLabel* m_contactHeadingLabel = nullptr; // "تماس با ما:"
    QLabel* m_shopLabel = nullptr;           // opens the shop
    QLabel* m_messagingLabel = nullptr;      // opens a conversation
    QLabel* m_siteLabel = nullptr;           // opens the site
    QPushButton* m_closeButton = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Context m_context;
    MainWindowLock m_mainLock;
};

} // namespace morvalen
