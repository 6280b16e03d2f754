#pragma once

#include "shell/Context.h"

#include <QColor>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>

class QPushButton;
class QTimer;
class QVariantAnimation;

namespace morvalen {

// The notification at the corner of the screen: items drawn in their rectangles, an unfolding
// animation, and a display time after which it folds away by itself.
class PopupControl : public QWidget {
    Q_OBJECT

public:
    struct Item {
        QRect rect; // left, top, right, bottom inside the popup, as given
        QString caption;
        int id = 0;
        QColor background; // invalid: none
        QColor border;     // invalid: none
        QColor text;       // invalid: the default text colour
        bool bold = false;
        bool hyperlink = true;
        int textFormat =
            0;          // the system's text format flags (centred 1, vcentre 4, word wrap 16, single line 32)
        QPixmap icon;   // drawn at its own size from the rectangle's top left
        QPixmap button; // a button image filling the rectangle
    };

    explicit PopupControl(QWidget* parent = nullptr);

    void removeAllItems();
    Item& addItem(const QRect& rect, const QString& caption = {});
    const QVector<Item>& items() const { return m_items; }
    void setPopupSize(const QSize& size);
    // The id of the topmost item at this point; 0 where there is none.
    int itemIdAt(const QPoint& point) const;

    // Shows the popup at the screen's corner, unfolding it when it has an animation, and starts
    // its display time.
    void popUp();
    // Folds the popup away, or hides it at once when it has no animation.
    void foldAway();

    int m_animationStyle = 0; // 0: none, else it unfolds from the bottom edge
    int m_animationMs = 456;  // how long the unfolding takes
    int m_displayMs = 30000;  // how long it stays before folding away

signals:
    void itemClicked(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect finalGeometry() const;
    void unfold(qreal shown);

    QVector<Item> m_items;
    QSize m_size{170, 130};
    QTimer* m_displayTimer = nullptr;
    QVariantAnimation* m_animation = nullptr;
    bool m_closing = false;
};

// Owns the notification of a newer version (a hidden child of the main window) and acts on its clicks: the
// close image closes it, "Click here to update" leads to the download.
class UpdatePopup : public QWidget {
    Q_OBJECT

public:
    UpdatePopup(const Context& context, QWidget* mainWindow, std::function<void()> quit = {});
    ~UpdatePopup() override;

    // Fills the popup with the green notification's seven items.
    void applyGreenTheme();
    // A picture of the program folder; null when the file is missing or unreadable.
    QPixmap loadIcon(const QString& name, int width, int height) const;
    QPixmap loadBitmap(const QString& name) const;

    PopupControl* m_popup = nullptr;
    QPushButton* m_showButton = nullptr; // pressed from code to show the notification

private:
    void closeOrDownload(int id);
    void openDownload();

    Context m_context;
    QPointer<QWidget> m_mainWindow;
    std::function<void()> m_quit;
};

} // namespace morvalen
