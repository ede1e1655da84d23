#include "ScriptedMessageBoxes.h"
#include "Startup.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void secondInstanceIsRefusedWhileTheFirstRuns();
    void versionTexts();
};

void tst_Startup::secondInstanceIsRefusedWhileTheFirstRuns()
{
    QTemporaryDir dir;
    const QString lock = dir.filePath(QStringLiteral("instance.lock"));
    ScriptedMessageBoxes firstBoxes;
    ScriptedMessageBoxes secondBoxes;

    auto first = std::make_unique<Startup>(firstBoxes, lock);
    QVERIFY(first->begin());
    QVERIFY(firstBoxes.shown().isEmpty());

    Startup second(secondBoxes, lock);
    QVERIFY(!second.begin());
    QCOMPARE(secondBoxes.shown().size(), 1);
    const MessageRequest& box = secondBoxes.shown().first();
    QCOMPARE(box.text, QStringLiteral("PROGRAMMA GIA' IN MEMORIA"));
    QCOMPARE(box.title, Startup::versionTitle());
    QCOMPARE(box.icon, QMessageBox::Warning);
    QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    // The first keeps running: a third start is refused too, until it ends.
    ScriptedMessageBoxes thirdBoxes;
    QVERIFY(!Startup(thirdBoxes, lock).begin());
    first.reset();
    QVERIFY(Startup(thirdBoxes, lock).begin());
}

void tst_Startup::versionTexts()
{
    QVERIFY(QRegularExpression(QStringLiteral("^D\\.P\\.C\\. Ver\\.\\d+\\.\\d+$"))
                .match(Startup::versionTitle())
                .hasMatch());
    QVERIFY(QRegularExpression(QStringLiteral("^Ver\\.  \\d+\\.\\d+\\.\\d+$"))
                .match(Startup::versionLabel())
                .hasMatch());
    QVERIFY(Startup::versionLabel().mid(6).startsWith(Startup::versionTitle().mid(11) + '.'));
}

QTEST_MAIN(tst_Startup)
#include "test_startup.moc"
