// The designer forms' point sizes turned into pixel sizes as the fonts are set (DesignFontScope)
// give the same fonts and the same label bounds as the conversion afterwards (ConvertDesignFonts).
#include <QtTest>

#include "widgets/Controls.h"

namespace {

QFont Points(const char* family, int points) {
    QFont f;
    f.setFamilies({QString::fromUtf8(family)});
    f.setPointSize(points);
    return f;
}

QFont Pixels(const char* family, int pixels) {
    QFont f;
    f.setFamilies({QString::fromUtf8(family)});
    f.setPixelSize(pixels);
    return f;
}

QFont FamilyOnly(const char* family) {
    QFont f;
    f.setFamilies({QString::fromUtf8(family)});
    return f;
}

// A small form as a designer form builds it: the parent's font first, then its children's;
// the labels' texts come last, as a form sets its texts.
struct Form {
    QWidget root;
    TLabel* label;
    QWidget* child;
    TEdit* edit;
    explicit Form(const QFont& rootFont, const std::optional<QFont>& childFont,
                  const QFont& labelFont, bool autoSize) {
        root.setFont(rootFont);
        child = new QWidget(&root);
        if (childFont) child->setFont(*childFont);
        label = new TLabel(child);
        label->setFont(labelFont);
        label->setAutoSize(autoSize);
        edit = new TEdit(child);
        edit->setGeometry(0, 40, 200, 30);
        label->setText(QStringLiteral("开始交班"));
        edit->setText(QStringLiteral("2026"));
        label->adjustBounds();
    }
    QList<QWidget*> widgets() { return {&root, child, label, edit}; }
};

}  // namespace

class DesignFontsTest : public QObject {
    Q_OBJECT
  private Q_SLOTS:
    void scopeGivesTheConvertedForm_data();
    void scopeGivesTheConvertedForm();
    void nothingIsConvertedAfterTheScope();
};

void DesignFontsTest::scopeGivesTheConvertedForm_data() {
    QTest::addColumn<QFont>("rootFont");
    QTest::addColumn<bool>("childHasFont");
    QTest::addColumn<QFont>("childFont");
    QTest::addColumn<QFont>("labelFont");
    QTest::addColumn<bool>("autoSize");
    QTest::addColumn<int>("labelPixels");  // the label's pixel size once converted

    QTest::newRow("points everywhere")
        << Points("宋体", 11) << true << Points("宋体", 9) << Points("华文新魏", 72) << true << 120;
    QTest::newRow("child inherits the converted size")
        << Points("宋体", 12) << false << QFont() << FamilyOnly("楷体") << true << 20;
    QTest::newRow("child names only a family")
        << Points("宋体", 27) << true << FamilyOnly("黑体") << FamilyOnly("宋体") << true << 45;
    QTest::newRow("pixel sizes stay")
        << Pixels("宋体", 15) << true << Pixels("宋体", 17) << Pixels("华文新魏", 33) << true << 33;
    QTest::newRow("label without auto size")
        << Points("宋体", 11) << true << Points("宋体", 36) << Points("宋体", 17) << false << 28;
}

void DesignFontsTest::scopeGivesTheConvertedForm() {
    QFETCH(QFont, rootFont);
    QFETCH(bool, childHasFont);
    QFETCH(QFont, childFont);
    QFETCH(QFont, labelFont);
    QFETCH(bool, autoSize);
    QFETCH(int, labelPixels);
    const std::optional<QFont> child = childHasFont ? std::optional(childFont) : std::nullopt;

    Form after(rootFont, child, labelFont, autoSize);
    ConvertDesignFonts(&after.root);
    after.label->adjustBounds();

    std::unique_ptr<Form> during;
    {
        const DesignFontScope scope;
        during = std::make_unique<Form>(rootFont, child, labelFont, autoSize);
    }
    QCOMPARE(during->label->font().pixelSize(), labelPixels);
    const QList<QWidget*> a = after.widgets(), b = during->widgets();
    for (qsizetype i = 0; i < a.size(); ++i) {
        QCOMPARE(b[i]->font(), a[i]->font());
        QCOMPARE(b[i]->font().pointSizeF(), a[i]->font().pointSizeF());
        QCOMPARE(b[i]->testAttribute(Qt::WA_SetFont), a[i]->testAttribute(Qt::WA_SetFont));
        QCOMPARE(b[i]->geometry(), a[i]->geometry());
    }
    // Nothing is left in points: the conversion afterwards finds nothing more to do.
    const QFont before = during->label->font();
    ConvertDesignFonts(&during->root);
    QCOMPARE(during->label->font(), before);
}

void DesignFontsTest::nothingIsConvertedAfterTheScope() {
    { const DesignFontScope scope; }
    QWidget w;
    w.setFont(Points("宋体", 12));
    QCOMPARE(w.font().pointSize(), 12);
    QCOMPARE(w.font().pixelSize(), -1);
}

QTEST_MAIN(DesignFontsTest)
#include "unit_design_fonts.moc"
