#pragma once

#include "shell/Context.h"
#include "store/ExamineeListModel.h"
#include "store/ExamineeStore.h"
#include "views/MainWindowLock.h"
#include "views/QuestionnaireWindow.h"

#include <QDialog>
#include <QPointer>

#include <initializer_list>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTimer;

namespace morvalen {

// The examinee registry: the list, the edit panel and the six actions.
class RegistryWindow : public QDialog {
    Q_OBJECT

public:
    enum class State { Browsing, Adding, Editing, Deleting };

    RegistryWindow(const Context& context, QWidget* mainWindow);
    ~RegistryWindow() override;

    State state() const { return m_state; }
    // The main window it disables while open; a rebuilt main window takes over.
    void setMainWindow(QWidget* mainWindow);
    // The questionnaire last opened from here, while it is open.
    QuestionnaireWindow* questionnaire() const { return m_questionnaire; }
    // Escape: the same way out as the close box and Exit.
    void reject() override;

    QTableView* m_examineeList = nullptr;
    QLineEdit* m_searchEdit = nullptr; // above the list
    // The edit panel's fields and their captions.
    QLineEdit* m_nameEdit = nullptr;
    QLineEdit* m_ageEdit = nullptr;
    QLineEdit* m_codeEdit = nullptr; // hidden: the code the examinee is stored under
    QLineEdit* m_educationEdit = nullptr;
    QLineEdit* m_phoneEdit = nullptr;
    QLineEdit* m_testerEdit = nullptr;
    QLineEdit* m_dateEdit = nullptr;
    QLabel* m_examineeLabel = nullptr; // the examinee in the panel, name and code
    QLabel* m_nameLabel = nullptr;
    QLabel* m_ageLabel = nullptr;
    QLabel* m_genderLabel = nullptr;
    QLabel* m_maritalStatusLabel = nullptr;
    QLabel* m_educationLabel = nullptr;
    QLabel* m_phoneLabel = nullptr;
    QLabel* m_testerLabel = nullptr;
    QLabel* m_dateLabel = nullptr;
    QComboBox* m_genderCombo = nullptr;
    QComboBox* m_maritalStatusCombo = nullptr;
    // The six actions, right to left.
    QPushButton* m_newButton = nullptr;
    QPushButton* m_editButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_deleteButton = nullptr;
    QPushButton* m_exitButton = nullptr;
    QTimer* m_codeTimer = nullptr;   // new examinee: code and date after a pause
    QTimer* m_deleteTimer = nullptr; // delete: the question after a pause

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    // The actions' click handlers.
    void startNewExaminee();
    void startEditing();
    void saveEntry();
    void cancelEntry();
    void startDeleting();
    // After the pauses of a new examinee and of a delete.
    void assignCodeAndDate();
    void finishDeleting();
    void lockFields();
    void unlockFields();
    void formatList();
    // Validates and stores the panel; false when a field is missing or the write failed.
    bool storeExaminee();
    // Asks by name and removes the examinee shown with its answer row.
    void removeExaminee();
    void reloadAndShowNewest();
    void showRow(int row);
    void clearPanel();
    // Enables these of the five entry actions and disables the others; Exit stays enabled.
    void enableOnly(std::initializer_list<QPushButton*> buttons);
    // New, and Edit and Delete while an examinee is in the panel.
    void enableBrowsing();
    void startQuestionnaire(int row);
    // Asks before an examinee being added or edited is dropped; true when it may go.
    bool mayDiscardTyping();

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<ExamineeStore> m_examinees;
    ExamineeListModel* m_listModel = nullptr;
    QPointer<QuestionnaireWindow> m_questionnaire;
    State m_state = State::Browsing;
    qint64 m_shownId = 0; // the examinee in the panel; 0 while adding or when there is none
};

} // namespace morvalen
