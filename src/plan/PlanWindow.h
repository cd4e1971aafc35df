// The plan's editor, "考试安排": the sessions in a table, the selected one in a form below it
// whose every field is checked as it is typed, import from and export to a spreadsheet's CSV
// file, the switch that turns the whole plan off, and a line that tells the next session and
// how long until it starts.
//
// The window keeps two things apart: the sessions taken (always a plan without a problem, what
// plan() gives) and the form's draft. A draft with a problem (a field that does not read, a
// start in the past, an overlap with another session) is not taken; its message stands in red
// under the form and 确定 is refused until it is mended. Moving to another row drops it, and the
// line says so.
//
// The window is not modal: the timers go on while it is open. Files are read and written on a
// thread of their own; their results come back to the user-interface thread by a queued call.
#pragma once

#include <QDialog>
#include <QMap>
#include <memory>

#include "plan/Plan.h"

class Dialogs;
class TimeSource;
class TTimer;
class WorkThread;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimeEdit;

class PlanWindow : public QDialog {
    Q_OBJECT
  public:
    PlanWindow(Dialogs& dialogs, TimeSource& time, QWidget* parent = nullptr);
    ~PlanWindow() override;

    // The plan to edit, whether it is switched on, and the room of this computer ("" if none:
    // the next-session line then looks at every room).
    void setPlan(const Plan& plan, bool enabled, const QString& room);
    // The sessions taken, in the table's order; `rev` one above the plan set when they differ
    // from its sessions.
    Plan plan() const;
    bool planEnabled() const;

    // What holds 确定 back now, as the red line shows it; empty when nothing does.
    QString problem() const;
    // Waits up to timeoutMs for the file work under way (an import or an export) and delivers
    // its result at once; true when none is left. For tests, which must not wait on a clock.
    bool finishFileWork(int timeoutMs);

  Q_SIGNALS:
    // 确定 with a plan without a problem.
    void planAccepted(const Plan& plan, bool enabled);

  public Q_SLOTS:
    void accept() override;
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void build();
    void rebuildTable();
    void fillRow(int row);
    // The session in the form, its row selected.
    void select(const QString& id);
    // The row of the session in the form selected, the form untouched.
    void showSelected();
    void rowChanged();
    void fillForm();
    void fieldEdited(QWidget* source);
    PlanSession formSession(QString* problem) const;
    QString draftProblem(const PlanSession& draft) const;
    QString wholeProblem() const;
    // The form's field that a draft's problem is about.
    QWidget* fieldOf(const QString& problem) const;
    void refreshMessage();
    void refreshNext();
    void sortBy(int column);
    void sortSessions();
    void addSession();
    void removeSession();
    void importCsv();
    void imported(quint64 generation, const QString& path, const QString& error,
                  const QList<PlanSession>& sessions);
    void exportCsv();
    void exported(const QString& path, int count, bool ok, int error);
    QString newId() const;
    int indexOf(const QString& id) const;
    bool changed() const;
    void setBusy(bool busy);

    Dialogs& dialogs_;
    TimeSource& time_;
    Plan original_;
    bool originalEnabled_ = true;
    QString room_;
    QList<PlanSession> sessions_;  // taken
    QString editing_;              // the id of the session in the form; empty: none
    QString draftProblem_;         // why the form's session is not taken
    QString note_;                 // a passing word (an import done, a draft dropped)
    bool refused_ = false;         // the last 确定 was refused: the line says so
    bool filling_ = false;         // the form is being filled from a session
    bool busy_ = false;            // a file is being read or written
    int sortColumn_ = 2;
    bool sortDescending_ = false;
    mutable int idCounter_ = 0;
    quint64 importGeneration_ = 0;
    QString lastFile_;

    std::unique_ptr<TTimer> tick_;
    std::unique_ptr<WorkThread> work_;
    // Results of the file work are delivered only while this lives (checked on the
    // user-interface thread, where the window is destroyed).
    std::shared_ptr<PlanWindow*> alive_;

    QCheckBox* enabled_ = nullptr;
    QLabel* next_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* export_ = nullptr;
    QGroupBox* form_ = nullptr;
    QLineEdit* title_ = nullptr;
    QLabel* dateLabel_ = nullptr;
    QDateEdit* date_ = nullptr;
    QComboBox* repeat_ = nullptr;
    QTimeEdit* start_ = nullptr;
    QLineEdit* duration_ = nullptr;
    QLineEdit* prep_ = nullptr;
    QLineEdit* warning_ = nullptr;
    QLineEdit* interval_ = nullptr;
    QLineEdit* rooms_ = nullptr;
    QLineEdit* extra_ = nullptr;
    QLabel* message_ = nullptr;
    QWidget* edited_ = nullptr;  // the field typed in last
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};
