#include "update/UpdatePopup.h"

#include "update/DownloadWindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVariantAnimation>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// The system's text format flags as Qt's alignment and wrapping.
int QtTextFlags(int format) {
    int flags = 0;
    flags |= (format & 1) ? Qt::AlignHCenter : ((format & 2) ? Qt::AlignRight : Qt::AlignLeft);
    flags |= (format & 4) ? Qt::AlignVCenter : ((format & 8) ? Qt::AlignBottom : Qt::AlignTop);
    if (format & 16) {
        flags |= Qt::TextWordWrap;
    }
    if (format & 32) {
        flags |= Qt::TextSingleLine;
    }
    return flags | Qt::AlignAbsolute;
}

// Left, top, right, bottom as the items are given.
QRect Edges(int left, int top, int right, int bottom) {
    return QRect(left, top, right - left, bottom - top);
}

void CloseWindowsNamed(const QStringList& names) {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (names.contains(window->objectName())) {
            // Closing runs the window's own leaving steps, so nothing typed is lost.
            window->close();
            if (!window->testAttribute(Qt::WA_DeleteOnClose)) {
                window->deleteLater();
            }
        }
    }
}

} // namespace

PopupControl::PopupControl(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(u"PopupControl"_s);
    setAttribute(Qt::WA_ShowWithoutActivating);
    // The items are placed from the left, as given, whatever the program's reading direction.
    setLayoutDirection(Qt::LeftToRight);
    m_displayTimer = new QTimer(this);
    m_displayTimer->setObjectName(u"displayTimer"_s);
    m_displayTimer->setSingleShot(true);
    connect(m_displayTimer, &QTimer::timeout, this, &PopupControl::foldAway);
    m_animation = new QVariantAnimation(this);
    m_animation->setStartValue(0.0);
    m_animation->setEndValue(1.0);
    connect(m_animation, &QVariantAnimation::valueChanged, this,
            [this](const QVariant& value) { unfold(value.toReal()); });
    connect(m_animation, &QVariantAnimation::finished, this, [this] {
        if (m_closing) {
            hide();
        }
    });
}

void PopupControl::removeAllItems() {
    m_items.clear();
    update();
}

PopupControl::Item& PopupControl::addItem(const QRect& rect, const QString& caption) {
    m_items.append(Item{});
    m_items.last().rect = rect;
    m_items.last().caption = caption;
    update();
    return m_items.last();
}

void PopupControl::setPopupSize(const QSize& size) {
    m_size = size;
}

int PopupControl::itemIdAt(const QPoint& point) const {
    for (auto it = m_items.crbegin(); it != m_items.crend(); ++it) {
        if (it->rect.contains(point)) {
            return it->id;
        }
    }
    return 0;
}

QRect PopupControl::finalGeometry() const {
    // Above the task bar, at the screen's bottom right corner, where notifications appear.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    return QRect(area.right() - m_size.width() - 8, area.bottom() - m_size.height() - 8, m_size.width(),
                 m_size.height());
}

void PopupControl::unfold(qreal shown) {
    const QRect full = finalGeometry();
    const int height = std::max(1, static_cast<int>(full.height() * shown));
    setGeometry(full.x(), full.bottom() + 1 - height, full.width(), height);
}

void PopupControl::popUp() {
    m_closing = false;
    m_animation->stop();
    m_animation->setDuration(std::max(1, m_animationMs));
    m_animation->setDirection(QAbstractAnimation::Forward);
    if (m_animationStyle == 0) {
        setGeometry(finalGeometry());
    } else {
        unfold(0);
        m_animation->start();
    }
    show();
    raise();
    m_displayTimer->start(m_displayMs);
}

void PopupControl::foldAway() {
    m_displayTimer->stop();
    if (!isVisible() || m_closing) {
        return;
    }
    m_closing = true;
    if (m_animationStyle == 0) {
        hide();
        return;
    }
    m_animation->stop();
    m_animation->setDirection(QAbstractAnimation::Backward);
    m_animation->start();
}

void PopupControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The captions are English and read left to right in this right-to-left program.
    painter.setLayoutDirection(Qt::LeftToRight);
    for (const Item& item : m_items) {
        if (item.background.isValid()) {
            painter.fillRect(item.rect, item.background);
        }
        if (item.border.isValid()) {
            painter.setPen(item.border);
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(item.rect.adjusted(0, 0, -1, -1));
        }
        if (!item.icon.isNull()) {
            painter.drawPixmap(item.rect.topLeft(), item.icon);
        }
        if (!item.button.isNull()) {
            painter.drawPixmap(item.rect, item.button);
        }
        if (!item.caption.isEmpty()) {
            QFont font = this->font();
            // The small sans face notifications use, or the nearest one installed.
            font.setFamilies({u"Tahoma"_s, u"Noto Sans"_s, u"DejaVu Sans"_s});
            font.setPixelSize(11);
            font.setBold(item.bold);
            painter.setFont(font);
            painter.setPen(item.text.isValid() ? item.text : QColor(215, 240, 215));
            painter.drawText(item.rect, QtTextFlags(item.textFormat), item.caption);
        }
    }
}

void PopupControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        emit itemClicked(itemIdAt(event->position().toPoint()));
    }
}

UpdatePopup::UpdatePopup(const Context& context, QWidget* mainWindow, std::function<void()> quit)
    : QWidget(mainWindow)
    , m_context(context)
    , m_mainWindow(mainWindow)
    , m_quit(std::move(quit)) {
    setObjectName(u"UpdatePopup"_s);
    // Never shown itself: it lives, hidden, as long as the main window it belongs to.
    hide();
    m_popup = new PopupControl(this);
    m_showButton = new QPushButton(this);
    m_showButton->setObjectName(u"showButton"_s);
    connect(m_showButton, &QPushButton::clicked, this, [this] {
        m_popup->m_animationStyle = 3;
        m_popup->m_animationMs = 456;
        m_popup->m_displayMs = 30000;
        applyGreenTheme();
        m_popup->popUp();
    });
    connect(m_popup, &PopupControl::itemClicked, this, &UpdatePopup::closeOrDownload);
}

UpdatePopup::~UpdatePopup() = default;

QPixmap UpdatePopup::loadIcon(const QString& name, int width, int height) const {
    const QString path = m_context.file(name);
    if (!QFileInfo(path).isFile()) {
        return {};
    }
    const QPixmap picture = QIcon(path).pixmap(QSize(width, height));
    if (picture.isNull() || picture.size() == QSize(width, height)) {
        return picture;
    }
    return picture.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

QPixmap UpdatePopup::loadBitmap(const QString& name) const {
    const QString path = m_context.file(name);
    return QFileInfo(path).isFile() ? QPixmap(path) : QPixmap();
}

void UpdatePopup::applyGreenTheme() {
    PopupControl& popup = *m_popup;
    popup.removeAllItems();

    PopupControl::Item& back = popup.addItem(Edges(0, 0, 170, 130));
    back.background = QColor(30, 120, 30);
    back.border = QColor(255, 255, 255);

    PopupControl::Item& panel = popup.addItem(Edges(5, 25, 165, 125));
    panel.background = QColor(70, 130, 70);
    panel.border = QColor(255, 255, 0);

    popup.addItem(Edges(104, 27, 170, 45), u"more..."_s);

    PopupControl::Item& update = popup.addItem(Edges(0, 70, 170, 100), u"Click here to update"_s);
    update.text = QColor(255, 255, 0);
    update.textFormat = 17;
    update.id = 3;

    popup.addItem(Edges(12, 30, 12, 47)).icon = loadIcon(u"icon3.ico"_s, 32, 32);

    PopupControl::Item& title = popup.addItem(Edges(5, 0, 170, 25), u"Morvalen Software update"_s);
    title.text = QColor(255, 255, 255);
    title.bold = true;
    title.hyperlink = false;
    title.textFormat = 36;

    PopupControl::Item& close = popup.addItem(Edges(151, 6, 164, 19));
    close.button = loadBitmap(u"CloseMSN.bmp"_s);
    close.id = 2;

    popup.setPopupSize(QSize(170, 130));
}

void UpdatePopup::closeOrDownload(int id) {
    switch (id) {
    case 1:
    case 2:
        m_popup->hide();
        m_popup->foldAway();
        return;
    case 3:
        m_popup->hide();
        m_popup->foldAway();
        openDownload();
        return;
    default:
        return;
    }
}

void UpdatePopup::openDownload() {
    CloseWindowsNamed({u"AboutWindow"_s, u"RegistryWindow"_s, u"BackupWindow"_s, u"ResultsWindow"_s,
                       u"ExamineeFileWindow"_s, u"AnswerSheetWindow"_s, u"DownloadWindow"_s});
    auto* progress = new DownloadWindow(m_context, m_mainWindow, m_quit);
    // When the download window goes, the windows that waited behind it go too.
    connect(progress, &QObject::destroyed, [] {
        CloseWindowsNamed({u"SettingsWindow"_s, u"QuestionnaireWindow"_s, u"UpdateWindow"_s});
    });
    progress->show();
}

} // namespace morvalen
