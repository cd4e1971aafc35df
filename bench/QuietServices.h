// Services that must not act during a measurement: silent sound players, dialogs that only
// print, and a launcher, session control and power inhibitor that do nothing.
#pragma once

#include <cstdio>

#include "platform/Platform.h"

namespace bench {

class SilentPlayer : public AudioPlayer {
  public:
    void setFileName(const QString& path) override { file_ = path; }
    QString fileName() const override { return file_; }
    void close() override {}
    void open() override {}
    void play() override {}
    void stop() override {}
    PlayerState state() const override { return PlayerState::Stopped; }

  private:
    QString file_;
};

class PrintingDialogs : public Dialogs {
  public:
    void information(const QString& t) override { say("information", t); }
    bool confirm(const QString& t) override {
        say("confirm", t);
        return false;
    }
    bool question(const QString& t) override {
        say("question", t);
        return false;
    }
    int choose(const QString& t, const QStringList& buttons) override {
        say("choose", t);
        return int(buttons.size()) - 1;
    }
    void error(const QString& t) override { say("error", t); }
    std::optional<QString> openFile(const QString&, const QStringList&) override {
        return std::nullopt;
    }
    std::optional<SaveChoice> saveFile(const QString&, const QStringList&) override {
        return std::nullopt;
    }
    std::optional<FontChoice> chooseFont(const FontChoice&) override { return std::nullopt; }
    std::optional<TColor> chooseColor(TColor) override { return std::nullopt; }

  private:
    static void say(const char* kind, const QString& t) {
        std::fprintf(stderr, "[%s] %s\n", kind, qPrintable(t));
    }
};

class NoLauncher : public ProgramLauncher {
  public:
    bool startDetached(const QString& p, const QStringList&, const QString&) override {
        std::fprintf(stderr, "[launch suppressed] %s\n", qPrintable(p));
        return false;
    }
    bool openFolder(const QString& p) override {
        std::fprintf(stderr, "[open folder suppressed] %s\n", qPrintable(p));
        return false;
    }
};

class NoSession : public SessionControl {
  public:
    void logOff() override { std::fprintf(stderr, "[log off suppressed]\n"); }
    void reboot() override { std::fprintf(stderr, "[reboot suppressed]\n"); }
    void powerOff() override { std::fprintf(stderr, "[power off suppressed]\n"); }
};

class NoInhibitor : public PowerInhibitor {
  public:
    void setInhibited(bool on) override { on_ = on; }
    bool inhibited() const override { return on_; }

  private:
    bool on_ = false;
};

// Puts the quiet services into a platform for as long as it lives.
class QuietServices {
  public:
    explicit QuietServices(Platform& p) {
        p.player1 = &player1;
        p.player2 = &player2;
        p.dialogs = &dialogs;
        p.launcher = &launcher;
        p.session = &session;
        p.inhibitor = &inhibitor;
    }

    SilentPlayer player1, player2;
    PrintingDialogs dialogs;
    NoLauncher launcher;
    NoSession session;
    NoInhibitor inhibitor;
};

}  // namespace bench
