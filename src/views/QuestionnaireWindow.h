#pragma once

#include "core/Numbered.h"
#include "shell/Context.h"
#include "store/AnswerStore.h"
#include "store/QuestionStore.h"
#include "views/MainWindowLock.h"

#include <QWidget>

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

    int currentItem() const { return m_item; }
    // Shows item n; below 1 and above 232 it says "شروع" or "پايان" and shows the end item.
    void showItem(int n);

    QString m_examineeCode;
    QLabel* m_nameLabel = nullptr;         // "نام و نام خانوادگي: " and the name
    QLineEdit* m_itemNumberEdit = nullptr; // the item number shown
    QLabel* m_itemTextLabel = nullptr;
    QGroupBox* m_answerPanel = nullptr; // its caption is the item number
    // By the answer value each stores: 6 "کاملاً درست" at the top down to 1 "کاملاً غلط".
    Numbered<QRadioButton*, 6> m_answerButtons;
    QPushButton* m_nextButton = nullptr;
    QPushButton* m_previousButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QGroupBox* m_introductionPanel = nullptr;
    QLabel* m_titleLabel = nullptr;
    QLabel* m_instructionLabel = nullptr;
    QPushButton* m_startButton = nullptr; // "شروع"
    QPushButton* m_helpButton = nullptr;  // "راهنما"
    QGroupBox* m_helpPanel = nullptr;
    QTextEdit* m_helpText = nullptr;
    QPushButton* m_helpCloseButton = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    // True while neither the introduction nor the help lies over the answers.
    bool answering() const;
    // Lets the answers take keys and clicks only while they can be seen.
    void updateAnswerPanel();
    void focusAnswerPanel();
    void setButtonsFrom(const QString& stored);
    void chooseAnswer(int value);
    // Stores the chosen answer of the item shown, if it changed. False when the write failed.
    bool commit();
    void move(int step);

    Context m_context;
    MainWindowLock m_mainLock;
    // A line break and why the last write failed, as the database tells it; empty without words.
    QString whyNotSaved() const;
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
