// The arithmetic of the time displays and the duration boxes: seconds to the six digits and
// back, unit words, the entry check of number boxes, and the strict number conversion.
#include <QtTest>
#include <limits>

#include "core/Errors.h"
#include "core/TimeFields.h"

using Six = std::array<int, 6>;
Q_DECLARE_METATYPE(Six)

namespace {
constexpr int kIntMax = std::numeric_limits<int>::max();
constexpr int kIntMin = std::numeric_limits<int>::min();
}  // namespace

class TimeFieldsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void secondsToDigits_data();
    void secondsToDigits();
    void secondsToDigitsMatchesClockArithmetic();
    void digitsToSeconds_data();
    void digitsToSeconds();
    void unitFactor_data();
    void unitFactor();
    void scaleDuration_data();
    void scaleDuration();
    void digitCheck_data();
    void digitCheck();
    void strToInt_data();
    void strToInt();
};

void TimeFieldsTest::secondsToDigits_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<Six>("digits");
    QTest::newRow("zero") << 0 << Six{0, 0, 0, 0, 0, 0};
    QTest::newRow("one second") << 1 << Six{0, 0, 0, 0, 0, 1};
    QTest::newRow("59 s") << 59 << Six{0, 0, 0, 0, 5, 9};
    QTest::newRow("one minute") << 60 << Six{0, 0, 0, 1, 0, 0};
    QTest::newRow("01:02:05") << 3725 << Six{0, 1, 0, 2, 0, 5};
    QTest::newRow("6039 is 01:40:39") << 6039 << Six{0, 1, 4, 0, 3, 9};
    QTest::newRow("6038 is 01:40:38") << 6038 << Six{0, 1, 4, 0, 3, 8};
    QTest::newRow("09:59:59") << 35999 << Six{0, 9, 5, 9, 5, 9};
    QTest::newRow("10:00:00") << 36000 << Six{1, 0, 0, 0, 0, 0};
    QTest::newRow("99:59:59") << 359999 << Six{9, 9, 5, 9, 5, 9};
    QTest::newRow("100 hours: two characters in hours tens") << 360000 << Six{10, 0, 0, 0, 0, 0};
    QTest::newRow("123:45:06") << 123 * 3600 + 45 * 60 + 6 << Six{12, 3, 4, 5, 0, 6};
}

void TimeFieldsTest::secondsToDigits() {
    QFETCH(int, value);
    QFETCH(Six, digits);
    QCOMPARE(SecondsToDigits(value), digits);
    // Reading the digits back gives the value again.
    QCOMPARE(DigitsToSeconds(digits), value);
}

void TimeFieldsTest::secondsToDigitsMatchesClockArithmetic() {
    // Every value of the normal range against hours, minutes and seconds computed apart.
    for (int v = 0; v <= 359999; ++v) {
        const int h = v / 3600;
        const int m = (v / 60) % 60;
        const int s = v % 60;
        const Six expected{h / 10, h % 10, m / 10, m % 10, s / 10, s % 10};
        const Six got = SecondsToDigits(v);
        if (got != expected) QFAIL(qPrintable(QStringLiteral("value %1").arg(v)));
        if (DigitsToSeconds(got) != v) QFAIL(qPrintable(QStringLiteral("back %1").arg(v)));
    }
}

void TimeFieldsTest::digitsToSeconds_data() {
    QTest::addColumn<Six>("digits");
    QTest::addColumn<int>("value");
    QTest::newRow("all zero") << Six{0, 0, 0, 0, 0, 0} << 0;
    QTest::newRow("01:30:00") << Six{0, 1, 3, 0, 0, 0} << 5400;
    QTest::newRow("00:99:99 is a weighted sum") << Six{0, 0, 9, 9, 9, 9} << 6039;
    QTest::newRow("00:00:70") << Six{0, 0, 0, 0, 7, 0} << 70;
    QTest::newRow("00:60:00") << Six{0, 0, 6, 0, 0, 0} << 3600;
    QTest::newRow("99:99:99") << Six{9, 9, 9, 9, 9, 9} << 362439;
    QTest::newRow("hours tens of 10") << Six{10, 0, 0, 0, 0, 0} << 360000;
    // Beyond the 32-bit range the sum is held at its end instead of wrapping to a negative.
    QTest::newRow("huge hours tens") << Six{100000, 0, 0, 0, 0, 0} << kIntMax;
}

void TimeFieldsTest::digitsToSeconds() {
    QFETCH(Six, digits);
    QFETCH(int, value);
    QCOMPARE(DigitsToSeconds(digits), value);
}

void TimeFieldsTest::unitFactor_data() {
    QTest::addColumn<QString>("unit");
    QTest::addColumn<int>("factor");  // 0: not a unit word
    QTest::newRow("秒钟") << QStringLiteral("秒钟") << 1;
    QTest::newRow("分钟") << QStringLiteral("分钟") << 60;
    QTest::newRow("小时") << QStringLiteral("小时") << 3600;
    QTest::newRow("分 alone") << QStringLiteral("分") << 0;
    QTest::newRow("秒 alone") << QStringLiteral("秒") << 0;
    QTest::newRow("时 alone") << QStringLiteral("时") << 0;
    QTest::newRow("trailing blank") << QStringLiteral("分钟 ") << 0;
    QTest::newRow("leading blank") << QStringLiteral(" 秒钟") << 0;
    QTest::newRow("traditional 分鐘") << QStringLiteral("分鐘") << 0;
    QTest::newRow("longer text") << QStringLiteral("小时钟") << 0;
    QTest::newRow("english") << QStringLiteral("min") << 0;
    QTest::newRow("empty") << QString() << 0;
}

void TimeFieldsTest::unitFactor() {
    QFETCH(QString, unit);
    QFETCH(int, factor);
    const std::optional<int> got = UnitFactor(unit);
    if (factor == 0) {
        QVERIFY2(!got.has_value(), qPrintable(QString::number(got.value_or(0))));
    } else {
        QVERIFY(got.has_value());
        QCOMPARE(*got, factor);
    }
}

void TimeFieldsTest::scaleDuration_data() {
    QTest::addColumn<int>("number");
    QTest::addColumn<int>("factor");
    QTest::addColumn<int>("seconds");
    QTest::newRow("5 seconds") << 5 << 1 << 5;
    QTest::newRow("1 minute") << 1 << 60 << 60;
    QTest::newRow("90 minutes") << 90 << 60 << 5400;
    QTest::newRow("2 hours") << 2 << 3600 << 7200;
    QTest::newRow("zero") << 0 << 3600 << 0;
    QTest::newRow("largest hours that fit") << 596523 << 3600 << 596523 * 3600;
    // A number typed into a duration box that overflows in seconds stays positive.
    QTest::newRow("one hour more") << 596524 << 3600 << kIntMax;
    QTest::newRow("huge minutes") << 999999999 << 60 << kIntMax;
    QTest::newRow("negative held too") << -999999999 << 60 << kIntMin;
}

void TimeFieldsTest::scaleDuration() {
    QFETCH(int, number);
    QFETCH(int, factor);
    QFETCH(int, seconds);
    QCOMPARE(ScaleDuration(number, factor), seconds);
}

void TimeFieldsTest::digitCheck_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("passes");
    QTest::newRow("empty") << QString() << true;
    QTest::newRow("one digit") << QStringLiteral("7") << true;
    QTest::newRow("several digits") << QStringLiteral("0123456789") << true;
    QTest::newRow("blanks around") << QStringLiteral("  12 ") << true;
    QTest::newRow("blanks only") << QStringLiteral("   ") << true;
    QTest::newRow("tab and line ends") << QStringLiteral("\t5\r\n") << true;
    QTest::newRow("control characters around") << QStringLiteral(
                                                      "\x01\x1f"
                                                      "3\x1b")
                                               << true;
    QTest::newRow("1a") << QStringLiteral("1a") << false;
    QTest::newRow("letter") << QStringLiteral("a") << false;
    QTest::newRow("blank inside") << QStringLiteral("1 2") << false;
    QTest::newRow("minus") << QStringLiteral("-1") << false;
    QTest::newRow("plus") << QStringLiteral("+1") << false;
    QTest::newRow("decimal point") << QStringLiteral("1.5") << false;
    QTest::newRow("full-width digit") << QStringLiteral("１") << false;
    QTest::newRow("arabic-indic digit") << QStringLiteral("٣") << false;
    QTest::newRow("chinese numeral") << QStringLiteral("五") << false;
    QTest::newRow("ratio sign") << QStringLiteral("∶") << false;
    QTest::newRow("no-break space") << QStringLiteral("\u00a0") << false;
}

void TimeFieldsTest::digitCheck() {
    QFETCH(QString, text);
    QFETCH(bool, passes);
    QCOMPARE(DigitCheck(text), passes);
}

void TimeFieldsTest::strToInt_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<int>("value");
    QTest::newRow("0") << QStringLiteral("0") << true << 0;
    QTest::newRow("leading zeros") << QStringLiteral("007") << true << 7;
    QTest::newRow("negative") << QStringLiteral("-5") << true << -5;
    QTest::newRow("plus sign") << QStringLiteral("+42") << true << 42;
    QTest::newRow("blanks around") << QStringLiteral("  8 ") << true << 8;
    QTest::newRow("largest") << QStringLiteral("2147483647") << true << kIntMax;
    QTest::newRow("smallest") << QStringLiteral("-2147483648") << true << kIntMin;
    QTest::newRow("one past largest") << QStringLiteral("2147483648") << false << 0;
    QTest::newRow("one past smallest") << QStringLiteral("-2147483649") << false << 0;
    QTest::newRow("twenty digits") << QStringLiteral("99999999999999999999") << false << 0;
    QTest::newRow("empty") << QString() << false << 0;
    QTest::newRow("blank") << QStringLiteral(" ") << false << 0;
    QTest::newRow("sign alone") << QStringLiteral("-") << false << 0;
    QTest::newRow("1a") << QStringLiteral("1a") << false << 0;
    QTest::newRow("blank inside") << QStringLiteral("1 2") << false << 0;
    QTest::newRow("two signs") << QStringLiteral("--1") << false << 0;
    QTest::newRow("decimal point") << QStringLiteral("1.0") << false << 0;
    QTest::newRow("full-width digit") << QStringLiteral("５") << false << 0;
    QTest::newRow("percent placeholder") << QStringLiteral("%1") << false << 0;
}

void TimeFieldsTest::strToInt() {
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(int, value);
    int tried = -77;
    QCOMPARE(TryStrToInt(text, tried), valid);
    if (valid) {
        QCOMPARE(tried, value);
        QCOMPARE(StrToInt(text), value);
        return;
    }
    try {
        const int got = StrToInt(text);
        QFAIL(qPrintable(QStringLiteral("converted to %1").arg(got)));
    } catch (const ConvertError& e) {
        // The message names the text exactly as it was, in single quotes.
        QCOMPARE(e.message(),
                 QStringLiteral("'") + text + QStringLiteral("' is not a valid integer value"));
        QCOMPARE(QString::fromUtf8(e.what()), e.message());
    }
}

QTEST_GUILESS_MAIN(TimeFieldsTest)
#include "unit_time_fields.moc"
