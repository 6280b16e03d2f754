#pragma once

#include "shell/Context.h"
#include "views/MainWindowLock.h"

#include <QDialog>

#include <array>

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

    QLabel* lblVersion = nullptr;
    std::array<QLabel*, 8> Label1{};
    QPushButton* cmdOK = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Context m_context;
    MainWindowLock m_mainLock;
};

} // namespace morvalen
