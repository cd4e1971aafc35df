// The help window with the built-in guide and the about window.
#include <QtTest>

#include "AppFixture.h"
#include "presentation/AboutUnit.h"
#include "presentation/HelpUnit.h"

namespace {

QDateTime Afternoon() {
    return QDateTime(QDate(2007, 3, 14), QTime(14, 30, 3));
}

// The guide's headings, in order.
const QStringList kHeadings = {
    QStringLiteral("澄屿计时器使用帮助"),
    QStringLiteral("一、系统简介"),
    QStringLiteral("二、使用步骤"),
    QStringLiteral("三、系统组成"),
    QStringLiteral("1、系统界面"),
    QStringLiteral("2、系统文件"),
    QStringLiteral("四、功能使用"),
    QStringLiteral("1、设置面板"),
    QStringLiteral("(1)提示音选择及设置"),
    QStringLiteral("(2)提示文字选择及设置"),
    QStringLiteral("(3)时长及单位设置"),
    QStringLiteral("(4)计时显示选择及设置"),
    QStringLiteral("(5)控件位置设置"),
    QStringLiteral("(6)系统设置"),
    QStringLiteral("(7)定时日期和时间选择设置"),
    QStringLiteral("(8)计时方式"),
    QStringLiteral("(9)使用方式"),
    QStringLiteral("(10)定时设置"),
    QStringLiteral("(11)背景颜色设置"),
    QStringLiteral("(12)窗体透明设置"),
    QStringLiteral("(13)计时、预计时、时钟字体示例"),
    QStringLiteral("(14)操作按钮"),
    QStringLiteral("2、计时面板"),
    QStringLiteral("3、预备计时面板"),
    QStringLiteral("4、时钟面板"),
    QStringLiteral("5、万年历"),
    QStringLiteral("6、简洁显示"),
    QStringLiteral("7、开关背景音乐"),
    QStringLiteral("四、快捷方式"),
    QStringLiteral("五、注意事项"),
};

// The lines of the text that are headings, trimmed, in order.
QStringList HeadingLines(const QString& text) {
    QStringList found;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        const QString t = line.trimmed();
        if (kHeadings.contains(t)) found << t;
    }
    return found;
}

}  // namespace

class HelpAboutTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void guideContents();
    void helpToggle_data();
    void helpToggle();
    void helpIsReadOnly();
    void helpTextCopiedAfresh();
    void aboutToggle_data();
    void aboutToggle();
    void aboutContents();
    void helpAndAboutTogether();
    void closeBoxHides();
    void helpAndAboutStayOnTheScreen_data();
    void helpAndAboutStayOnTheScreen();
};

// The guide in the main window: title, sections and topics in order, with the indentation of
// a plain text guide, and the shortcuts of both timer panels.
void HelpAboutTest::guideContents() {
    AppFixture app(Afternoon());
    const QString text = app->RichEdit1->toPlainText();
    QCOMPARE(HeadingLines(text), kHeadings);
    const QStringList lines = text.split(QLatin1Char('\n'));
    QVERIFY(lines.first().startsWith(QString(24, QLatin1Char(' ')) +
                                     QStringLiteral("澄屿计时器使用帮助")));
    for (const QString& line : lines)
        if (line.trimmed() == QStringLiteral("一、系统简介"))
            QCOMPARE(line, QStringLiteral("    一、系统简介"));
    for (const char* key :
         {"Alt+H", "Alt+Q", "Alt+F", "Alt+Z", "Alt+J", "Alt+S", "Alt+C", "Alt+R", "Alt+P", "Alt+T"})
        QVERIFY2(text.contains(QString::fromLatin1(key)), key);
    // Lines of plain text, not markup.
    QVERIFY(!text.contains(QLatin1Char('<')));
}

void HelpAboutTest::helpToggle_data() {
    QTest::addColumn<QString>("via");
    QTest::newRow("tool bar") << QStringLiteral("SpeedButton6");
    QTest::newRow("menu") << QStringLiteral("N9");
}

// The help button shows the guide, and hides it again; the text is the same both times.
void HelpAboutTest::helpToggle() {
    QFETCH(QString, via);
    AppFixture app(Afternoon());
    TForm2* help = app.app->Form2.get();
    auto press = [&] {
        if (via == QStringLiteral("N9"))
            app->N9->trigger();
        else
            app->SpeedButton6->click();
    };
    QVERIFY(help->isHidden());
    QVERIFY(help->RichEdit1->toPlainText().isEmpty());

    press();
    QVERIFY(help->isVisible());
    const QString first = help->RichEdit1->toPlainText();
    QCOMPARE(first, app->RichEdit1->toPlainText());
    QCOMPARE(HeadingLines(first), kHeadings);

    press();
    QVERIFY(help->isHidden());
    QCOMPARE(help->RichEdit1->toPlainText(), first);
    press();
    QVERIFY(help->isVisible());
    QCOMPARE(help->RichEdit1->toPlainText(), first);
    QVERIFY(app.fake.dialogs.log.isEmpty());
    help->hide();
}

// The operator can select and copy the guide but not change it.
void HelpAboutTest::helpIsReadOnly() {
    AppFixture app(Afternoon());
    TForm2* help = app.app->Form2.get();
    app->SpeedButton6Click();
    QTextEdit* box = help->RichEdit1;
    QVERIFY(box->isReadOnly());
    const QString before = box->toPlainText();
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("xyz"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(box->toPlainText(), before);
    QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByMouse);
    QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByKeyboard);
    box->selectAll();
    QCOMPARE(box->textCursor().selectedText().size(), before.size());
    // The window's own font applies to all of the guide.
    QCOMPARE(box->font().family(), QStringLiteral("宋体"));
    QCOMPARE(box->font().pixelSize(), 27);
    QCOMPARE(box->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // Place and size of the help window and its text box.
    QCOMPARE(help->pos(), QPoint(5, 119));
    QCOMPARE(help->size(), QSize(1014, 585));
    QCOMPARE(box->geometry(), QRect(24, 0, 953, 545));
    help->hide();
}

// The guide is copied afresh on every press, as plain text, also when the press hides it.
void HelpAboutTest::helpTextCopiedAfresh() {
    AppFixture app(Afternoon());
    TForm2* help = app.app->Form2.get();
    app->SpeedButton6Click();
    help->RichEdit1->setPlainText(QStringLiteral("别的"));
    app->RichEdit1->setHtml(QStringLiteral("<b>新的</b>帮助"));
    app->SpeedButton6Click();  // hides it, with the new text in place
    QVERIFY(help->isHidden());
    QCOMPARE(help->RichEdit1->toPlainText(), QStringLiteral("新的帮助"));
    QVERIFY(!help->RichEdit1->toHtml().contains(QStringLiteral("font-weight:700")));
}

void HelpAboutTest::aboutToggle_data() {
    QTest::addColumn<QString>("via");
    QTest::newRow("tool bar") << QStringLiteral("SpeedButton7");
    QTest::newRow("menu") << QStringLiteral("N10");
}

void HelpAboutTest::aboutToggle() {
    QFETCH(QString, via);
    AppFixture app(Afternoon());
    TForm3* about = app.app->Form3.get();
    auto press = [&] {
        if (via == QStringLiteral("N10"))
            app->N10->trigger();
        else
            app->SpeedButton7->click();
    };
    QVERIFY(about->isHidden());
    press();
    QVERIFY(about->isVisible());
    press();
    QVERIFY(about->isHidden());
    press();
    QVERIFY(about->isVisible());
    about->hide();
}

// The program's name and its platform line over a picture that fills the window.
void HelpAboutTest::aboutContents() {
    AppFixture app(Afternoon());
    TForm3* about = app.app->Form3.get();
    QCOMPARE(about->windowTitle(), QStringLiteral("关于"));
    QCOMPARE(about->pos(), QPoint(192, 114));
    QCOMPARE(about->Label1->text(), QStringLiteral("澄屿计时器 V2.0"));
    QCOMPARE(about->Label4->text(), QStringLiteral("适用于Windows XP  1024*768 大字体"));
    QCOMPARE(about->Label1->pos(), QPoint(20, 30));
    QCOMPARE(about->Label4->pos(), QPoint(20, 74));
    QCOMPARE(about->Label1->font().family(), QStringLiteral("华文隶书"));
    QCOMPARE(about->Label1->font().pixelSize(), 35);
    QCOMPARE(about->Label1->property("FontColor").toInt(), clr::Fuchsia);
    QCOMPARE(about->Label4->font().family(), QStringLiteral("宋体"));
    QCOMPARE(about->Label4->font().pixelSize(), 27);
    QCOMPARE(about->Label4->property("FontColor").toInt(), clr::Blue);
    QVERIFY(about->Label1->property("Transparent").toBool());
    QVERIFY(about->Label4->property("Transparent").toBool());

    // The picture is decoded when the window is first shown, not at the program's start.
    QVERIFY(about->Image1->pixmap().isNull());
    app->SpeedButton7Click();
    QVERIFY(about->isVisible());
    const QPixmap picture = about->Image1->pixmap();
    QVERIFY(!picture.isNull());
    QCOMPARE(picture.size(), QSize(600, 450));
    QCOMPARE(about->Image1->geometry(), QRect(0, 0, 600, 450));
    QVERIFY(about->Image1->hasScaledContents());
    // The texts lie on the picture, inside the window, and stand in front of it.
    for (QWidget* label :
         {static_cast<QWidget*>(about->Label1), static_cast<QWidget*>(about->Label4)}) {
        QVERIFY(about->Image1->geometry().contains(label->geometry()));
        QVERIFY(about->rect().contains(label->geometry()));
        QVERIFY(about->children().indexOf(label) > about->children().indexOf(about->Image1));
    }
    QVERIFY(about->rect().contains(about->Image1->geometry()));
    about->hide();
}

// Help, about and the main window can all be open at once, and neither window is modal.
void HelpAboutTest::helpAndAboutTogether() {
    AppFixture app(Afternoon());
    TForm1* f = app.f();
    f->show();
    app->SpeedButton6Click();
    app->SpeedButton7Click();
    QWidget* help = app.app->Form2.get();
    QWidget* about = app.app->Form3.get();
    QVERIFY(help->isVisible());
    QVERIFY(about->isVisible());
    QVERIFY(f->isVisible());
    QVERIFY(!help->isModal());
    QVERIFY(!about->isModal());
    QVERIFY(!QApplication::activeModalWidget());
    // The main window still answers its commands.
    f->SpeedButton8->click();
    QCOMPARE(f->Panel3->isHidden(), true);
    app->SpeedButton6Click();
    QVERIFY(help->isHidden());
    QVERIFY(about->isVisible());
    app->SpeedButton7Click();
    QVERIFY(about->isHidden());
    f->hide();
}

// The close box hides a window; the next command shows it again.
void HelpAboutTest::closeBoxHides() {
    AppFixture app(Afternoon());
    QWidget* help = app.app->Form2.get();
    QWidget* about = app.app->Form3.get();
    app->SpeedButton6Click();
    app->SpeedButton7Click();
    QVERIFY(help->close());
    QVERIFY(about->close());
    QVERIFY(help->isHidden());
    QVERIFY(about->isHidden());
    QVERIFY(app.app->Form2);
    app->SpeedButton6Click();
    app->SpeedButton7Click();
    QVERIFY(help->isVisible());
    QVERIFY(about->isVisible());
    QCOMPARE(HeadingLines(app.app->Form2->RichEdit1->toPlainText()), kHeadings);
    // Only the close box among the border buttons of the help window.
    const Qt::WindowFlags flags = help->windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    help->hide();
    about->hide();
}

void HelpAboutTest::helpAndAboutStayOnTheScreen_data() {
    QTest::addColumn<QRect>("screen");
    QTest::newRow("1024 x 768") << QRect(0, 0, 1024, 768);
    QTest::newRow("800 x 600") << QRect(0, 0, 800, 600);
    QTest::newRow("800 x 600 right of another") << QRect(1366, 0, 800, 600);
}

// The help and about windows open wholly on the main window's screen, frame and all; where
// the help window fits at its form place it opens there at its form size, and made smaller on
// a small screen its text box still fills it.
void HelpAboutTest::helpAndAboutStayOnTheScreen() {
    QFETCH(QRect, screen);
    AppFixture app(Afternoon());
    const ScreenInfo main = MakeScreen(QStringLiteral("HDMI-1"), screen, screen.x() == 0);
    QList<ScreenInfo> screens{main};
    if (screen.x() != 0)
        screens.prepend(MakeScreen(QStringLiteral("eDP-1"), QRect(0, 0, 1366, 768), true));
    app.fake.screens.set(screens);
    app->setGeometry(screen);
    TForm2* help = app.app->Form2.get();
    QWidget* about = app.app->Form3.get();

    app->SpeedButton6Click();
    QVERIFY(help->isVisible());
    QVERIFY(QTest::qWaitForWindowExposed(help));
    QVERIFY(screen.contains(help->frameGeometry()));
    if (screen.size() == QSize(1024, 768)) {
        QCOMPARE(help->frameGeometry().topLeft(), QPoint(5, 119));
        QCOMPARE(help->size(), QSize(1014, 585));
        QCOMPARE(help->RichEdit1->geometry(), QRect(24, 0, 953, 545));
    }
    QVERIFY(help->rect().contains(help->RichEdit1->geometry()));
    QVERIFY(help->RichEdit1->width() >= help->width() - 61);
    QVERIFY(help->RichEdit1->height() >= help->height() - 40);

    app->SpeedButton7Click();
    QVERIFY(about->isVisible());
    QVERIFY(screen.contains(about->frameGeometry()));
    QCOMPARE(about->size(), QSize(600, 450));  // the picture whole
    help->hide();
    about->hide();
}

QTEST_MAIN(HelpAboutTest)
#include "behaviour_help_about.moc"
