#pragma once

#include "shell/Context.h"
#include "store/ExamineeListModel.h"
#include "store/ExamineeStore.h"
#include "views/MainWindowLock.h"
#include "views/QuestionnaireWindow.h"

#include <QDialog>
#include <QPointer>

#include <array>
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

    // Field indices of TxtAnmeldung.
    enum Field { Name = 0, Age = 1, Code = 2, Education = 3, Phone = 4, Tester = 5, Date = 6 };
    // Button indices of PushButton6, right to left.
    enum Button { New = 0, Edit = 1, Save = 2, Cancel = 3, Delete = 4, Exit = 5 };

    QTableView* VSFlexGrid1 = nullptr;
    std::array<QLineEdit*, 7> TxtAnmeldung{};
    std::array<QLabel*, 9> Label1{};
    QComboBox* ComboBox1 = nullptr; // gender
    QComboBox* ComboBox2 = nullptr; // marital status
    std::array<QPushButton*, 6> PushButton6{};
    QTimer* Timer1 = nullptr; // new examinee: code and date after a pause
    QTimer* Timer2 = nullptr; // delete: the question after a pause

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void onButton(int index);
    void onNewTimer();
    void onDeleteTimer();
    void LockFields();
    void UnlockFields();
    void FormatGrid();
    // Validates and stores the panel; false when a field is missing or the write failed.
    bool SaveExaminee();
    void DeleteExaminee();
    void reloadAndShowNewest();
    void showRow(int row);
    void clearPanel();
    void enableOnly(std::initializer_list<int> buttons);
    void startQuestionnaire(int row);

    Context m_context;
    MainWindowLock m_mainLock;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<ExamineeStore> m_examinees;
    ExamineeListModel* m_list = nullptr;
    QPointer<QuestionnaireWindow> m_questionnaire;
    State m_state = State::Browsing;
    qint64 m_shownId = 0; // the examinee in the panel; 0 while adding or when there is none
};

} // namespace morvalen
