#include "views/AboutWindow.h"

#include "shell/Appearance.h"
#include "shell/Desktop.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>
#include <QVersionNumber>

namespace morvalen {

using namespace Qt::StringLiterals;

QUrl AboutWindow::ShopAddress(const Context& context) {
    return context.updateBaseUrl.resolved(QUrl(u"/shop"_s));
}

QUrl AboutWindow::MessagingAddress(const Context& context) {
    return context.updateBaseUrl.resolved(QUrl(u"/chat"_s));
}

QUrl AboutWindow::SiteAddress(const Context& context) {
    return context.updateBaseUrl.resolved(QUrl(u"/"_s));
}

AboutWindow::AboutWindow(const Context& context, QWidget* mainWindow)
    : m_context(context)
    , m_mainLock(mainWindow) {
    setObjectName(u"AboutWindow"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    m_mainLock.releaseWhenFinished(this);
    setWindowModality(Qt::ApplicationModal);
    setWindowTitle(u"About "_s + QApplication::applicationName());
    const QVersionNumber version = QVersionNumber::fromString(QApplication::applicationVersion());

    auto* layout = new QVBoxLayout(this);
    const auto line = [&](const QString& name, const QString& text) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        label->setWordWrap(true);
        layout->addWidget(label);
        return label;
    };
    m_titleLabel =
        line(u"titleLabel"_s, u"نرم افزار Morvalen: اجرا، نمره گذاري و تفسير پرسشنامه طرحواره (فرم بلند)"_s);
    m_titleLabel->setFont(NazaninFont(14, true));
    m_versionLabel = new QLabel(u"ورژن نرم افزار شما: %1.%2.%3"_s.arg(version.majorVersion())
                                    .arg(version.minorVersion())
                                    .arg(version.microVersion()),
                                this);
    m_versionLabel->setObjectName(u"versionLabel"_s);
    layout->addWidget(m_versionLabel);
    m_itemCountLabel = line(u"itemCountLabel"_s, u"تعداد سوالات 232"_s);
    m_releaseDateLabel = line(u"releaseDateLabel"_s, u"تاريخ توليد نرم افزار: آبانماه 1401"_s);
    m_supervisionLabel = line(u"supervisionLabel"_s, u"زير نظر روانشناس باليني گروه Morvalen"_s);
    auto* lineAboveContacts = new QFrame(this);
    lineAboveContacts->setFrameShape(QFrame::HLine);
    layout->addWidget(lineAboveContacts);
    m_contactHeadingLabel = line(u"contactHeadingLabel"_s, u"تماس با ما:"_s);
    m_contactHeadingLabel->setFont(NazaninFont(12, true));
    const QString link = u"color: #1565c0; text-decoration: underline;"_s;
    // An address reads left to right inside the Persian line.
    const auto isolated = [](const QUrl& url) { return QChar(0x2066) + url.toString() + QChar(0x2069); };
    const struct {
        QLabel** label;
        QString name;
        QString text;
        QString tip;
    } links[] = {
        {&m_shopLabel, u"shopLabel"_s, u"فروشگاه: "_s + isolated(ShopAddress(context)),
         u"جهت ورود به فروشگاه كليك كنيد"_s},
        {&m_messagingLabel, u"messagingLabel"_s,
         u"واتساپ و تلگرام : "_s + isolated(MessagingAddress(context)), u"جهت ورود به واتساپ كليك كنيد"_s},
        {&m_siteLabel, u"siteLabel"_s, u"سايت: "_s + isolated(SiteAddress(context)),
         u"جهت ورود به سايت كليك كنيد"_s},
    };
    for (const auto& l : links) {
        QLabel* label = line(l.name, l.text);
        *l.label = label;
        label->setToolTip(l.tip);
        label->setStyleSheet(link);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    auto* lineBelowContacts = new QFrame(this);
    lineBelowContacts->setFrameShape(QFrame::HLine);
    layout->addWidget(lineBelowContacts);
    m_closeButton = new QPushButton(u"بستن"_s, this);
    m_closeButton->setObjectName(u"closeButton"_s);
    layout->addWidget(m_closeButton, 0, Qt::AlignHCenter);
    connect(m_closeButton, &QPushButton::clicked, this, &QDialog::accept);
    resize(520, sizeHint().height());
    move(5000 / 15, y());
}

AboutWindow::~AboutWindow() = default;

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == m_shopLabel) {
            Desktop::openUrl(ShopAddress(m_context));
        } else if (watched == m_messagingLabel) {
            Desktop::openUrl(MessagingAddress(m_context));
        } else if (watched == m_siteLabel) {
            Desktop::openUrl(SiteAddress(m_context));
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace morvalen
