#pragma once

#include "shell/Context.h"
#include "store/QuestionStore.h"
#include "store/ServerConnection.h"
#include "store/SettingsStore.h"
#include "views/MainWindowLock.h"

#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTextEdit;

namespace morvalen {

// The settings: the visual theme, the clinic's details and logo, the question texts and which
// database this workstation uses (its own file or the clinic's server).
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

    QTabWidget* m_settingsTabs = nullptr;

    // The theme page.
    QLineEdit* m_themeNumberEdit = nullptr;
    QPushButton* m_nextThemeButton = nullptr;
    QPushButton* m_previousThemeButton = nullptr;

    // The clinic page: the fields with their captions, in the order of the form.
    QLabel* m_clinicNameLabel = nullptr;
    QLineEdit* m_clinicNameEdit = nullptr;
    QLabel* m_addressLabel = nullptr;
    QLineEdit* m_addressEdit = nullptr;
    QLabel* m_emailLabel = nullptr;
    QLineEdit* m_emailEdit = nullptr;
    QLabel* m_telegramLabel = nullptr;
    QLineEdit* m_telegramEdit = nullptr;
    QLabel* m_instagramLabel = nullptr;
    QLineEdit* m_instagramEdit = nullptr;
    QLabel* m_webLabel = nullptr;
    QLineEdit* m_webEdit = nullptr;
    QLabel* m_twitterLabel = nullptr;
    QLineEdit* m_twitterEdit = nullptr;
    QLabel* m_facebookLabel = nullptr;
    QLineEdit* m_facebookEdit = nullptr;
    QLabel* m_telLabel = nullptr;
    QLineEdit* m_telEdit = nullptr;
    QLineEdit* m_contactBlockEdit = nullptr; // hidden: the filled contact fields, one a line
    QPushButton* m_saveClinicButton = nullptr;
    QLabel* m_logoPicture = nullptr;
    QPushButton* m_chooseLogoButton = nullptr;
    QCheckBox* m_printLogoCheck = nullptr;

    // The question page.
    QLabel* m_questionNumberLabel = nullptr;
    QLineEdit* m_questionNumberEdit = nullptr;
    QPushButton* m_previousQuestionButton = nullptr;
    QPushButton* m_nextQuestionButton = nullptr;
    QTextEdit* m_questionText = nullptr;
    QPushButton* m_saveQuestionButton = nullptr;
    QPushButton* m_importQuestionsButton = nullptr;
    QPushButton* m_exportQuestionsButton = nullptr;

    // The database page: this workstation's file or the clinic's server, with its address.
    QLabel* m_databaseStateLabel = nullptr; // which database the program works on now
    QRadioButton* m_localDatabaseRadio = nullptr;
    QRadioButton* m_serverDatabaseRadio = nullptr;
    QLabel* m_serverHostLabel = nullptr;
    QLineEdit* m_serverHostEdit = nullptr;
    QLabel* m_serverPortLabel = nullptr;
    QLineEdit* m_serverPortEdit = nullptr;
    QLabel* m_databaseNameLabel = nullptr;
    QLineEdit* m_databaseNameEdit = nullptr;
    QLabel* m_serverUserLabel = nullptr;
    QLineEdit* m_serverUserEdit = nullptr;
    QCheckBox* m_requireTlsCheck = nullptr;
    QPushButton* m_testConnectionButton = nullptr;
    QPushButton* m_switchDatabaseButton = nullptr;
    QPushButton* m_moveToServerButton = nullptr;
    QLabel* m_databaseBusyLabel = nullptr; // shown while the data goes to the server

    QPushButton* m_closeButton = nullptr;

    // Connects to the server of the fields and tells the user whether it worked and what its
    // database holds.
    void testConnection();
    // Makes the chosen database this workstation's: the local file, or a server database
    // that already holds this release's tables. An empty one is refused with the advice to
    // move; nothing changes on a failure.
    void switchDatabase();
    // Moves this workstation's data to the empty server database of the fields, after asking.
    void moveToServer();

signals:
    // The connection file now names another database; the program must start again to use it
    // (the open windows hold connections to the old one).
    void databaseSwitched();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    QWidget* buildThemePage();
    QWidget* buildClinicPage();
    QWidget* buildQuestionPage();
    QWidget* buildDatabasePage();
    void showDatabaseChoice();
    void databaseKindChanged();
    // The server of the fields, or nullopt (after telling the user) when one is missing.
    std::optional<ServerConnection> serverOfFields();
    void finishSwitch(const QString& what);
    void themeChanged();
    void questionNumberChanged();
    void saveClinic();
    void chooseLogo();
    void showLogo();
    void setLogoCaption();
    void numberRejected();
    // The contact fields in the order they are stored and joined into the contact block.
    std::array<QLineEdit*, 7> contactEdits() const;

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<SettingsStore> m_settings;
    std::unique_ptr<QuestionStore> m_questions;
    Settings m_row;
    bool m_adjusting = false;
    bool m_moving = false;
};

} // namespace morvalen
