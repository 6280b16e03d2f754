#include "views/ViewParts.h"

#include "shell/Appearance.h"
#include "shell/MessageBox.h"
#include "store/ExamineeListModel.h"

#include <QKeySequence>
#include <QShortcut>

#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTextBoundaryFinder>
#include <QTextEdit>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

namespace {

// Enter, keypad Enter and Space on a list row do what a double click on it does, so every
// list opens its examinee from the keyboard by the window's one path.
class OpenRowOnKey : public QObject {
public:
    explicit OpenRowOnKey(QTableView* list) : QObject(list), m_list(list) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_list && event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool opens = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter ||
                               (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier);
            const QModelIndex current = m_list->currentIndex();
            if (opens && current.isValid()) {
                emit m_list->doubleClicked(current);
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QTableView* m_list;
};

} // namespace

namespace {
// Set on a list only while it is read again in place: the examinee to keep current.
constexpr const char* kKeptCodeProperty = "keptCurrentCode";
constexpr const char* kKeptColumnProperty = "keptCurrentColumn";
} // namespace

QTableView* MakeExamineeList(QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(u"examineeList"_s);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(true);
    grid->verticalHeader()->hide(); // the row-marker column "#"
    grid->horizontalHeader()->setStretchLastSection(true);
    grid->installEventFilter(new OpenRowOnKey(grid));
    return grid;
}

void OnCurrentRowChanged(QTableView* list, QObject* receiver, const std::function<void(int row)>& changed) {
    QObject::connect(
        list->selectionModel(), &QItemSelectionModel::currentRowChanged, receiver,
        [changed](const QModelIndex& current) { changed(current.isValid() ? current.row() : -1); });
    // A new read of the list clears the current row without a word from the selection. A read
    // again of the same list (F5, or coming back to the window on the server) keeps the
    // examinee who was current where the new rows still hold them.
    QObject::connect(list->model(), &QAbstractItemModel::modelReset, receiver, [list, changed] {
        const QString kept = list->property(kKeptCodeProperty).toString();
        const int column = list->property(kKeptColumnProperty).toInt();
        if (auto* rows = qobject_cast<ExamineeListModel*>(list->model()); rows && !kept.isEmpty()) {
            for (int row = 0; row < rows->rowCount(); ++row) {
                if (rows->value(row, u"Code"_s) == kept) {
                    list->setCurrentIndex(rows->index(row, column));
                    return;
                }
            }
        }
        const QModelIndex current = list->currentIndex();
        changed(current.isValid() ? current.row() : -1);
    });
}

QLabel* MakeExamineeLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(u"examineeLabel"_s);
    label->setFont(NazaninFont(12, true));
    label->setTextFormat(Qt::PlainText);
    ShowExaminee(label, QString(), QString());
    return label;
}

void ShowExaminee(QLabel* label, const QString& name, const QString& code) {
    label->setText(code.isEmpty() ? u"آزمودني انتخاب نشده است"_s
                                  : u"آزمودني: %1    کد: %2"_s.arg(name.trimmed(), code));
}

QGroupBox* MakeHelpPanel(QWidget* parent, const QString& title, const QStringList& lines, QTextEdit** text,
                         QPushButton** close) {
    auto* panel = new QGroupBox(title, parent);
    panel->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(panel);
    auto* help = new QTextEdit(panel);
    help->setObjectName(u"helpText"_s);
    help->setReadOnly(true);
    help->setFrameShape(QFrame::NoFrame);
    help->setPlainText(lines.join(u"\r\n"_s) + u"\r\n"_s);
    auto* button = new QPushButton(u"بستن"_s, panel);
    button->setObjectName(u"helpCloseButton"_s);
    layout->addWidget(help);
    layout->addWidget(button, 0, Qt::AlignHCenter);
    QObject::connect(button, &QPushButton::clicked, panel, &QWidget::hide);
    panel->hide();
    *text = help;
    *close = button;
    return panel;
}

ExamineeSearchField::ExamineeSearchField(QTableView* list, QWidget* parent)
    : QLineEdit(parent)
    , m_list(list)
    , m_window(parent) {
    setObjectName(u"searchEdit"_s);
    setPlaceholderText(u"جستجو"_s);
    setClearButtonEnabled(true);
    connect(this, &QLineEdit::textChanged, this, &ExamineeSearchField::searchFor);
    m_list->installEventFilter(this);
    setEnabled(m_list->isEnabled());
    // Ctrl+F reaches the field from anywhere in the window, as in every other program.
    auto* find = new QShortcut(QKeySequence::Find, parent);
    find->setContext(Qt::WindowShortcut);
    connect(find, &QShortcut::activated, this, [this] {
        if (isEnabled()) {
            setFocus(Qt::ShortcutFocusReason);
            selectAll();
        }
    });
    // F5 reads the list again; on the clinic's server so does coming back to the window, as
    // another workstation may have registered examinees meanwhile.
    auto* refresh = new QShortcut(QKeySequence::Refresh, parent);
    refresh->setContext(Qt::WindowShortcut);
    connect(refresh, &QShortcut::activated, this, &ExamineeSearchField::refreshList);
    parent->installEventFilter(this);
}

void ExamineeSearchField::refreshList() {
    if (auto* model = qobject_cast<ExamineeListModel*>(m_list->model())) {
        tellIfNotRead(reloadKeepingCurrent(*model));
    }
}

bool ExamineeSearchField::reloadKeepingCurrent(ExamineeListModel& model) {
    const QModelIndex current = m_list->currentIndex();
    m_list->setProperty(kKeptCodeProperty,
                        current.isValid() ? model.value(current.row(), u"Code"_s) : QString());
    m_list->setProperty(kKeptColumnProperty, current.isValid() ? current.column() : 0);
    const bool read = model.reload();
    m_list->setProperty(kKeptCodeProperty, QVariant());
    return read;
}

void ExamineeSearchField::searchFor(const QString& typed) {
    if (auto* model = qobject_cast<ExamineeListModel*>(m_list->model())) {
        tellIfNotRead(model->setSearch(typed));
    }
}

void ExamineeSearchField::tellIfNotRead(bool read) {
    if (read || m_toldNotRead) {
        m_toldNotRead = m_toldNotRead && !read;
        return;
    }
    m_toldNotRead = true;
    auto* model = qobject_cast<ExamineeListModel*>(m_list->model());
    MessageBox::warning(m_window, u"خطا"_s,
                        u"فهرست آزمودني ها دوباره خوانده نشد و همان كه بود نشان داده مي شود.\r\n%1"_s.arg(
                            model ? model->lastError() : QString()));
}

void ExamineeSearchField::pickFirstMatch() {
    QAbstractItemModel* model = m_list->model();
    if (!model || model->rowCount() == 0) {
        return;
    }
    int column = 0;
    while (column + 1 < model->columnCount() && m_list->isColumnHidden(column)) {
        ++column;
    }
    const QModelIndex first = model->index(0, column);
    // What a click on the row does: focus, current row, and the click the window acts on.
    m_list->setFocus(Qt::MouseFocusReason);
    m_list->scrollTo(first);
    m_list->setCurrentIndex(first);
    emit m_list->clicked(first);
}

bool ExamineeSearchField::event(QEvent* event) {
    // Escape in a field with text is the field's own, before any window shortcut sees it.
    if (event->type() == QEvent::ShortcutOverride && !text().isEmpty() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void ExamineeSearchField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        if (text().isEmpty()) {
            event->ignore(); // on to the window, which closes
            return;
        }
        clear();
        event->accept();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        pickFirstMatch();
        event->accept();
        return;
    default:
        QLineEdit::keyPressEvent(event);
    }
}

bool ExamineeSearchField::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_list && event->type() == QEvent::EnabledChange) {
        setEnabled(m_list->isEnabled());
    }
    if (watched == m_window && event->type() == QEvent::WindowActivate) {
        auto* model = qobject_cast<ExamineeListModel*>(m_list->model());
        if (model && model->onServer()) {
            tellIfNotRead(reloadKeepingCurrent(*model));
        }
    }
    return QLineEdit::eventFilter(watched, event);
}

void CloseOnEscape(QWidget* view) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), view);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, view, &QWidget::close);
}

QString CutAtCharacterBoundary(const QString& text, int limit) {
    if (text.size() <= limit) {
        return text;
    }
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    boundaries.setPosition(limit);
    if (!boundaries.isAtBoundary()) {
        boundaries.toPreviousBoundary();
    }
    return text.left(std::max<qsizetype>(boundaries.position(), 0));
}

void LimitTypedLength(QLineEdit* edit, int limit, std::function<void()> told) {
    // The field's own maximum would cut at a UTF-16 unit, which can split an emoji in two
    // and leave half a character in the database.
    QObject::connect(edit, &QLineEdit::textEdited, edit,
                     [edit, limit, told = std::move(told)](const QString& text) {
                         if (text.size() <= limit) {
                             return;
                         }
                         const int cursor = edit->cursorPosition();
                         const QString kept = CutAtCharacterBoundary(text, limit);
                         edit->setText(kept);
                         edit->setCursorPosition(std::min(cursor, static_cast<int>(kept.size())));
                         if (told) {
                             told();
                         }
                     });
}

} // namespace morvalen
