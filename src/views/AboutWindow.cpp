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
    const auto line = [&](int index, const QString& text) {
        Label1[index] = new QLabel(text, this);
        Label1[index]->setObjectName(u"Label1_%1"_s.arg(index));
        Label1[index]->setWordWrap(true);
        layout->addWidget(Label1[index]);
        return Label1[index];
    };
    line(7, u"نرم افزار Morvalen: اجرا، نمره گذاري و تفسير پرسشنامه طرحواره (فرم بلند)"_s)
        ->setFont(NazaninFont(14, true));
    lblVersion = new QLabel(u"ورژن نرم افزار شما: %1.%2.%3"_s.arg(version.majorVersion())
                                .arg(version.minorVersion())
                                .arg(version.microVersion()),
                            this);
    lblVersion->setObjectName(u"lblVersion"_s);
    layout->addWidget(lblVersion);
    line(0, u"تعداد سوالات 232"_s);
    line(2, u"تاريخ توليد نرم افزار: آبانماه 1401"_s);
    line(1, u"زير نظر روانشناس باليني گروه Morvalen"_s);
    auto* separator = new QFrame(this);
    separator->setFrameShape(QFrame::HLine);
    layout->addWidget(separator);
    line(3, u"تماس با ما:"_s)->setFont(NazaninFont(12, true));
    const QString link = u"color: #1565c0; text-decoration: underline;"_s;
    // An address reads left to right inside the Persian line.
    const auto isolated = [](const QUrl& url) { return QChar(0x2066) + url.toString() + QChar(0x2069); };
    const struct {
        int index;
        QString text;
        QString tip;
    } links[] = {
        {4, u"فروشگاه: "_s + isolated(ShopAddress(context)), u"جهت ورود به فروشگاه كليك كنيد"_s},
        {5, u"واتساپ و تلگرام : "_s + isolated(MessagingAddress(context)), u"جهت ورود به واتساپ كليك كنيد"_s},
        {6, u"سايت: "_s + isolated(SiteAddress(context)), u"جهت ورود به سايت كليك كنيد"_s},
    };
    for (const auto& l : links) {
        QLabel* label = line(l.index, l.text);
        label->setToolTip(l.tip);
        label->setStyleSheet(link);
        label->setCursor(Qt::PointingHandCursor);
        label->installEventFilter(this);
    }
    auto* separator2 = new QFrame(this);
    separator2->setFrameShape(QFrame::HLine);
    layout->addWidget(separator2);
    cmdOK = new QPushButton(u"بستن"_s, this);
    cmdOK->setObjectName(u"cmdOK"_s);
    layout->addWidget(cmdOK, 0, Qt::AlignHCenter);
    connect(cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    resize(520, sizeHint().height());
    move(5000 / 15, y());
}

AboutWindow::~AboutWindow() = default;

bool AboutWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == Label1[4]) {
            Desktop::openUrl(ShopAddress(m_context));
        } else if (watched == Label1[5]) {
            Desktop::openUrl(MessagingAddress(m_context));
        } else if (watched == Label1[6]) {
            Desktop::openUrl(SiteAddress(m_context));
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace morvalen
