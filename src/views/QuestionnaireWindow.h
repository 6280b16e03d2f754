#pragma once

#include "shell/Context.h"
#include "store/AnswerStore.h"
#include "store/QuestionStore.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTextEdit;

namespace morvalen {

// The on-screen questionnaire: one item at a time with its six answers; each answer is
// stored when the examinee moves on, goes back or closes the window.
class QuestionnaireWindow : public QWidget {
    Q_OBJECT

public:
    QuestionnaireWindow(const Context& context, const QString& code, const QString& fullName,
                        QWidget* mainWindow);
    ~QuestionnaireWindow() override;

    // The stored value of each answer button, RButton1 ("6") to RButton6 ("1").
    static QString StoredValue(int button);

    int currentItem() const { return m_item; }
    // Shows item n; below 1 and above 232 it says "شروع" or "پايان" and shows the end item.
    void showItem(int n);

    QString FltEditCode;                    // the examinee's code
    QLabel* Label1_0 = nullptr;             // "نام و نام خانوادگي: " and the name
    QLineEdit* Text6 = nullptr;             // the item number shown
    QLabel* LblQU = nullptr;                // the item text
    QGroupBox* GroupBox1 = nullptr;         // the answers; its caption is the item number
    std::array<QRadioButton*, 7> RButton{}; // RButton[1] to RButton[6]
    QPushButton* PushBNext = nullptr;
    QPushButton* PushBBack = nullptr;
    QPushButton* PushButtonExit = nullptr;
    QGroupBox* GroupBox3 = nullptr; // introduction
    QLabel* Label1_1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* PushButton1 = nullptr; // "شروع"
    QPushButton* PushButton3 = nullptr; // "راهنما"
    QGroupBox* GroupBox4 = nullptr;     // help
    QTextEdit* TxtHelp = nullptr;
    QPushButton* PushButton2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void setButtonsFrom(const QString& stored);
    void choose(int button);
    // Stores the chosen answer of the item shown, if it changed. False when the write failed.
    bool commit();
    void move(int step);

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<AnswerStore> m_answers;
    std::unique_ptr<QuestionStore> m_questions;
    bool m_hasRow = false;
    bool m_shown = false;
    int m_item = 0;
    QString m_value;      // the answer of the item shown
    bool m_dirty = false; // chosen but not yet stored
};

} // namespace morvalen
