// The exam office's window, 澄屿考务台: a header (the broker's state, rooms online, the plan's
// rev, alarms), the rooms as a wall of tiles and as a table (with a "只看异常" filter), the
// orders to all rooms or a selection, each at a whole second named before it is sent, the
// plan's editor, and the record. An observer sees everything and gets no orders.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <functional>
#include <memory>

#include "console/ConsoleLogin.h"
#include "console/ConsoleRecord.h"
#include "console/SiteModel.h"

class AudioPlayer;
class Dialogs;
class LinkTester;
class PlanWindow;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;
class QTableView;
class QWidget;
class RoomFilter;
class RoomTableModel;
class TileWall;
class TTimer;

// The login form: broker, site, user and password (or an observer), TLS and its CA.
class LoginDialog : public QDialog {
    Q_OBJECT
  public:
    LoginDialog(const ConsoleLogin& login, LinkTester* tester, QWidget* parent = nullptr);
    ConsoleLogin login() const;
    void accept() override;

  private:
    void testLink();
    QLineEdit* host_;
    QSpinBox* port_;
    QLineEdit* site_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* observer_;
    QCheckBox* tls_;
    QLineEdit* ca_;
    QLabel* message_;
    LinkTester* tester_;
};

class ConsoleWindow : public QMainWindow {
    Q_OBJECT
  public:
    struct Services {
        SiteLink& link;
        TimeSource& time;
        Dialogs& dialogs;
        LinkTester* tester = nullptr;
        AudioPlayer* alarmPlayer = nullptr;  // the alarm's sound; none: silent
        QString alarmSound;                  // the file it plays
    };
    ConsoleWindow(SiteModel& model, ConsoleRecord& record, const Services& services,
                  QWidget* parent = nullptr);
    ~ConsoleWindow() override;

    // Logs in with the login remembered in the options, or asks for one first.
    void start(Options& options);
    // Opens the link with this login and watches its site (remembered in the options).
    void login(const ConsoleLogin& login);
    // The rooms an order goes to: all of them, or those selected in the view on top.
    QStringList targetRooms() const;
    // Asks for a typed text (the confirmation of a site-wide end or reset, a text to show);
    // tests set their own.
    std::function<std::optional<QString>(const QString& prompt)> askText;

  protected:
    void closeEvent(QCloseEvent* e) override;

  private:
    void build();
    void tick();
    void updateHeader();
    void updateControls();
    void order(Steer s, int sign = 1);
    void adopt();
    void reassert();
    void command(Command::Kind kind);
    void openPlan();
    void exportRecord();
    void showLogin();
    void sounded(const QString& id, const QString& text);
    void showRecord(const RecordEntry& e);
    void tell(const SiteModel::Sent& sent, const QString& what);

    SiteModel& model_;
    ConsoleRecord& record_;
    Services services_;
    Options* options_ = nullptr;
    ConsoleLogin login_;
    qint64 lastAlarmSoundMs_ = 0;
    bool fitPending_ = false;  // the table's columns are fitted once the rooms have come
    std::unique_ptr<TTimer> tick_;

    QLabel* linkLabel_ = nullptr;
    QLabel* onlineLabel_ = nullptr;
    QLabel* planLabel_ = nullptr;
    QLabel* alarmLabel_ = nullptr;
    QLabel* userLabel_ = nullptr;
    QWidget* orders_ = nullptr;
    QComboBox* scope_ = nullptr;
    QLabel* effective_ = nullptr;
    QSpinBox* minutes_ = nullptr;
    QLineEdit* why_ = nullptr;
    QCheckBox* problemsOnly_ = nullptr;
    QTabWidget* tabs_ = nullptr;
    TileWall* wall_ = nullptr;
    QTableView* table_ = nullptr;
    RoomTableModel* tableModel_ = nullptr;
    RoomFilter* filter_ = nullptr;
    QPlainTextEdit* recordView_ = nullptr;
    PlanWindow* plan_ = nullptr;
};
