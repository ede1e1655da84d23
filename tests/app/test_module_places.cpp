// Where the program loads its modules from: copies of the program in an
// installed layout, elsewhere, and beside modules it must not trust. Each
// copy runs --version, which names the one modules folder and, to list the
// certificate authorities built in, loads the network module.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Run
{
    QByteArray out;
    QByteArray errors;
};

Run version(const QString& program)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_FORCE_STDERR_LOGGING"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_LOGGING_RULES"));
    process.setProcessEnvironment(environment);
    process.start(program, {QStringLiteral("--version")});
    if (!process.waitForFinished(60000))
        return {};
    return {process.readAllStandardOutput(), process.readAllStandardError()};
}

bool copy(const QString& from, const QString& to)
{
    return QDir().mkpath(QFileInfo(to).path()) && QFile::copy(from, to) &&
           ::chmod(QFile::encodeName(to).constData(), 0755) == 0;
}

const QString kModule = QStringLiteral(DPC_MODULES_BUILD_DIR "/libdpc_network.so");
const QByteArray kNotLoaded = "Trusted besides the system's CAs: none\n";

} // namespace

class tst_ModulePlaces : public QObject
{
    Q_OBJECT

private:
    // A copy of the program in <root>/usr/bin, its network module in
    // <root>/usr/lib/quorvel-dpc, as the packages lay them out.
    QString makeInstalledLayout()
    {
        const QString root = m_dir.filePath(QStringLiteral("root-%1").arg(++m_roots));
        const QString program = root + QStringLiteral("/usr/bin/quorvel-dpc");
        if (!copy(QStringLiteral(DPC_PROGRAM), program) ||
            !copy(kModule, root + QStringLiteral("/usr/lib/quorvel-dpc/libdpc_network.so")))
            return {};
        return QFileInfo(root).canonicalFilePath();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(QFile::exists(kModule));
    }

    // Run from its build tree, the program loads the tree's modules.
    void buildTree()
    {
        const Run run = version(QStringLiteral(DPC_PROGRAM));
        QVERIFY2(run.out.contains("Modules folder: " DPC_MODULES_BUILD_DIR "\n"),
                 run.out.constData());
        QVERIFY2(!run.out.contains(kNotLoaded), run.out.constData());
    }

    // Copied into an installed layout with no build tree around it, the
    // program loads its module from there, and from there only.
    void installedLayoutLoadsItsModule()
    {
        const QString root = makeInstalledLayout();
        QVERIFY(!root.isEmpty());
        const Run run = version(root + QStringLiteral("/usr/bin/quorvel-dpc"));
        QVERIFY2(run.out.contains(
                     ("Modules folder: " + root + "/usr/lib/quorvel-dpc\n").toUtf8()),
                 run.out.constData());
        QVERIFY2(!run.out.contains(kNotLoaded), run.out.constData() + run.errors);
    }

    // A copy run from anywhere else loads no module, not even one planted in
    // <folder>/../lib/quorvel-dpc, and says so.
    void copyElsewhere()
    {
        const QString root = m_dir.filePath(QStringLiteral("elsewhere"));
        QVERIFY(copy(QStringLiteral(DPC_PROGRAM), root + QStringLiteral("/x/quorvel-dpc")));
        QVERIFY(copy(kModule, root + QStringLiteral("/lib/quorvel-dpc/libdpc_network.so")));
        const Run run = version(root + QStringLiteral("/x/quorvel-dpc"));
        QVERIFY2(run.out.contains("Modules folder: none"), run.out.constData());
        QVERIFY2(run.out.contains(kNotLoaded), run.out.constData());
        QVERIFY2(run.errors.contains("the network module libdpc_network.so cannot be loaded"),
                 run.errors.constData());
    }

    // In an installed layout, a module others can write, in a folder others
    // can write, or missing, is not loaded, and the failure says where it
    // was looked for.
    void untrustedOrMissingModule_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QByteArray>("reason");
        QTest::newRow("module writable by others") << QStringLiteral("module o+w")
                                                   << QByteArray("can be written by others");
        QTest::newRow("folder writable by others") << QStringLiteral("folder o+w")
                                                   << QByteArray("can be written by others");
        QTest::newRow("module of another user") << QStringLiteral("module owner")
                                                << QByteArray("belongs to another user");
        QTest::newRow("missing module") << QStringLiteral("missing") << QByteArray();
    }

    void untrustedOrMissingModule()
    {
        QFETCH(QString, change);
        QFETCH(QByteArray, reason);
        const QString root = makeInstalledLayout();
        QVERIFY(!root.isEmpty());
        const QString folder = root + QStringLiteral("/usr/lib/quorvel-dpc");
        const QByteArray module = QFile::encodeName(folder + QStringLiteral("/libdpc_network.so"));
        if (change == u"module o+w") {
            QVERIFY(::chmod(module.constData(), 0757) == 0);
        } else if (change == u"folder o+w") {
            QVERIFY(::chmod(QFile::encodeName(folder).constData(), 0777) == 0);
        } else if (change == u"module owner") {
            if (::geteuid() != 0)
                QSKIP("giving a file to another user needs root");
            QVERIFY(::chown(module.constData(), 65534, 65534) == 0);
        } else {
            QVERIFY(QFile::remove(QString::fromLocal8Bit(module)));
        }
        const Run run = version(root + QStringLiteral("/usr/bin/quorvel-dpc"));
        QVERIFY2(run.out.contains(kNotLoaded), run.out.constData());
        QVERIFY2(run.errors.contains(("cannot be loaded from " + folder).toUtf8()),
                 run.errors.constData());
        QVERIFY2(run.errors.contains(reason), run.errors.constData());
    }

private:
    QTemporaryDir m_dir;
    int m_roots = 0;
};

QTEST_GUILESS_MAIN(tst_ModulePlaces)
#include "test_module_places.moc"
