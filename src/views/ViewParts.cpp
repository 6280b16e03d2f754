#include "views/ViewParts.h"

#include <QKeySequence>
#include <QShortcut>

#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QVBoxLayout>

namespace morvalen {

using namespace Qt::StringLiterals;

QTableView* MakeExamineeList(QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(u"examineeList"_s);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setAlternatingRowColors(true);
    grid->verticalHeader()->hide(); // the row-marker column "#"
    grid->horizontalHeader()->setStretchLastSection(true);
    return grid;
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

void CloseOnEscape(QWidget* view) {
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), view);
    escape->setContext(Qt::WindowShortcut);
    QObject::connect(escape, &QShortcut::activated, view, &QWidget::close);
}

} // namespace morvalen
