#pragma once

#include "shell/Context.h"
#include "store/QuestionStore.h"
#include "store/SettingsStore.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTextEdit;

namespace morvalen {

// The settings: the visual theme, the clinic's details and logo, and the question texts.
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(const Context& context, QWidget* mainWindow);
    ~SettingsWindow() override;

    QString logoPath() const;
    // Writes the settings row from the fields as they stand (the theme change and the clinic
    // save both do). False when the write failed.
    bool writeSettings();
    void importQuestions();
    void exportQuestions();

    QTabWidget* TabControl1 = nullptr;
    QLineEdit* TxtRang = nullptr;
    std::array<QPushButton*, 2> PBSelect{}; // [0] next, [1] previous
    std::array<QLineEdit*, 10> FEItem{};    // no member 2
    std::array<QLabel*, 11> Lbl2{};
    QLineEdit* Txtmosh = nullptr;
    std::array<QPushButton*, 3> PBMosh{}; // [0] save, [2] choose logo
    QLabel* Image1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QLineEdit* QNummer = nullptr;
    QPushButton* PushButton4 = nullptr; // previous question
    QPushButton* PushButton5 = nullptr; // next question
    QTextEdit* Text2_0 = nullptr;
    QPushButton* PushButton7 = nullptr; // save question
    QPushButton* PBImport = nullptr;
    QPushButton* PBExport = nullptr;
    QPushButton* PushButtonExit = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QWidget* buildThemePage();
    QWidget* buildClinicPage();
    QWidget* buildQuestionPage();
    void themeChanged();
    void questionNumberChanged();
    void saveClinic();
    void chooseLogo();
    void showLogo();
    void setLogoCaption();
    void numberRejected();

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<QuestionStore> m_questions;
    Settings m_row;
    bool m_adjusting = false;
};

} // namespace morvalen
