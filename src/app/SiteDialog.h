// 系统 → 考点联网: where the room finds the exam site's broker and who it is there (host, port,
// site id, room id, password, TLS and the site's CA certificate), whether the link is on, and
// a connection test that answers in Chinese. Kept in the [site] group of the options file.
// The test runs on the link's own thread: the window never waits for the network.
#pragma once

#include <QDialog>
#include <functional>

#include "site/RoomLink.h"

class Dialogs;
class LinkTester;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class SiteDialog : public QDialog {
    Q_OBJECT
  public:
    SiteDialog(Dialogs& dialogs, LinkTester* tester, QWidget* parent = nullptr);
    void setConfig(const RoomLinkConfig& config);
    // The settings as the fields hold them (a port that is not a number is 0).
    RoomLinkConfig config() const;
    // What keeps the fields from being kept: every field of a link that is on, the port of one
    // that is off. Empty when they will do.
    QString problem() const;
    // The 测试连接 button's answer as last shown.
    QString testAnswer() const;

    // The fields, for the keyboard and the tests.
    QLineEdit* host;
    QLineEdit* port;
    QLineEdit* site;
    QLineEdit* room;
    QLineEdit* password;
    QCheckBox* tls;
    QLineEdit* ca;
    QPushButton* browseCa;
    QCheckBox* enabled;
    QPushButton* test;
    QPushButton* ok;
    QPushButton* cancel;

    // 确定 with settings that will do: they are to be kept and the link reopened.
    std::function<void(const RoomLinkConfig&)> onAccepted;

    // 确定 and 测试连接 (the buttons' own handlers).
    void accept() override;
    void runTest();

  private:
    Dialogs& dialogs_;
    LinkTester* tester_;
    QLabel* answer_;
};
