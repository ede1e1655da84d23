#include "AppContext.h"
#include "MenuDpc.h"
#include "ModalDriver.h"
#include "QtMessageBoxes.h"
#include "ScriptedMessageBoxes.h"
#include "Startup.h"
#include "ToolkitTranslations.h"

#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class tst_Startup : public QObject
{
    Q_OBJECT
private slots:
    void windowShowsWithoutLibrariesItDoesNotUse(); // first: nothing before it loads them
    void secondInstanceIsRefusedWhileTheFirstRuns();
    void versionTexts();
    void toolkitTextsInItalian();
};

// The window as the program opens it, with the built-in service settings,
// loads no TLS library until it calls the service, and neither printing
// support, charts nor the spreadsheet library until they are used: they would
// cost the start several megabytes and milliseconds.
void tst_Startup::windowShowsWithoutLibrariesItDoesNotUse()
{
    QTemporaryDir dir;
    ScriptedMessageBoxes boxes;
    AppContext context(ServiceConfig::builtIn(), StagingFolder(dir.path()), boxes);
    MenuDpc window(context);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QFile maps(QStringLiteral("/proc/self/maps"));
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    for (const char* library : {"libssl", "libcrypto", "/tls/", "libQt6PrintSupport",
                                "libQt6Charts", "libQt6OpenGL", "libxlsxwriter", "libdpc_"})
        QVERIFY2(!mapped.contains(library), library);
}

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

// On the Italian desktop a question box reads "Sì" / "No", and the text fields'
// context menu is Italian too.
void tst_Startup::toolkitTextsInItalian()
{
    QVERIFY2(ToolkitTranslations::install(QLocale(QLocale::Italian, QLocale::Italy)),
             "toolkit translations missing: run scripts/install-deps.sh");
    QtMessageBoxes boxes;
    QStringList buttons;
    ModalDriver driver([&buttons](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        for (QAbstractButton* button : box->buttons())
            buttons << button->text().remove(u'&');
        box->button(QMessageBox::No)->click();
    });
    QVERIFY(!boxes.ask(nullptr, QStringLiteral("USCIRE DALLA PROCEDURA"), QString()));
    QVERIFY(driver.acted());
    buttons.sort();
    QCOMPARE(buttons, (QStringList{QStringLiteral("No"), QStringLiteral("Sì")}));

    QLineEdit field;
    const std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
    QVERIFY2(menu->actions().first()->text().startsWith(QStringLiteral("Ann&ulla")),
             qPrintable(menu->actions().first()->text()));

    // At start-up the language is the workstation's (these tests also run under C).
    QCOMPARE(ToolkitTranslations::install(), QLocale::system().language() == QLocale::Italian);
}

QTEST_MAIN(tst_Startup)
#include "test_startup.moc"
