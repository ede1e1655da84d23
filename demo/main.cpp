// dpc-demo-service: a small D.P.C. web service on the loopback address,
// backed by an SQLite file, for trying the program out and for its tests.
#include "DemoDatabase.h"
#include "DemoServer.h"
#include "DemoUsers.h"
#include "DpcService.h"
#include "ServerSettings.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QSslCertificate>
#include <QSslKey>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT end the event loop; the database is then closed cleanly.
bool installSignalHandlers(QCoreApplication& app)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) != 0)
        return false;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte;
        [[maybe_unused]] const auto read = ::read(g_signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A client that goes away mid-answer is the server's to notice, not a signal.
    std::signal(SIGPIPE, SIG_IGN);
    return ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGINT, &action, nullptr) == 0;
}

int fail(const QString& message)
{
    QTextStream(stderr) << "dpc-demo-service: " << message << '\n';
    return 1;
}

struct DefaultFiles
{
    QString certificate;
    QString key;
    QString database;
};

// Beside the build when run from the build folder. Installed, the certificate
// and key come from the package's data folder and the database lives in the
// user's data folder.
DefaultFiles defaultFiles()
{
    const QString installed = QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                              QStringLiteral("/" DPC_DEMO_INSTALLED_DATA));
    if (QFileInfo::exists(installed + QStringLiteral("/server.pem"))) {
        const QString userData = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
        return {installed + QStringLiteral("/server.pem"),
                installed + QStringLiteral("/server.key"),
                userData + QStringLiteral("/dpc-demo.sqlite")};
    }
    return {QStringLiteral(DPC_DEMO_SERVER_CERT), QStringLiteral(DPC_DEMO_SERVER_KEY),
            QStringLiteral(DPC_DEMO_DEFAULT_DATABASE)};
}

QByteArray readFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return {};
    }
    return file.readAll();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dpc-demo-service"));

    const DefaultFiles defaults = defaultFiles();
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Demo D.P.C. web service for QuorvelDPC: SOAP 1.2 over HTTPS on 127.0.0.1,\n"
                       "with sample data seeded into an SQLite file. It is for trying the program\n"
                       "out and for its tests; it holds no real patient or pharmacy data.\n"
                       "The demo users are printed at start."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("TCP port; 0 picks a free one."),
                                        QStringLiteral("N"), QStringLiteral("8443"));
    const QCommandLineOption databaseOption(
        QStringLiteral("database"),
        QStringLiteral("SQLite file, created and seeded on first start (default: %1).")
            .arg(defaults.database),
        QStringLiteral("FILE"), defaults.database);
    const QCommandLineOption certOption(
        QStringLiteral("cert"),
        QStringLiteral("Server certificate (PEM; default: %1).").arg(defaults.certificate),
        QStringLiteral("FILE"), defaults.certificate);
    const QCommandLineOption keyOption(
        QStringLiteral("key"),
        QStringLiteral("Server private key (PEM; default: %1).").arg(defaults.key),
        QStringLiteral("FILE"), defaults.key);
    const QCommandLineOption namespaceOption(
        QStringLiteral("namespace"), QStringLiteral("Service namespace URI."),
        QStringLiteral("URI"), QStringLiteral(DPC_DEMO_NAMESPACE));
    const QCommandLineOption scaleOption(
        QStringLiteral("scale"),
        QStringLiteral("Multiplies the seeded patients, prescriptions and "
                       "registered errors (first start only)."),
        QStringLiteral("N"), QStringLiteral("1"));
    const QCommandLineOption threadsOption(
        QStringLiteral("threads"),
        QStringLiteral("Requests answered at once, each thread with its own database connection "
                       "(default: the number of cores, %1).")
            .arg(QThread::idealThreadCount()),
        QStringLiteral("N"), QString::number(QThread::idealThreadCount()));
    const QCommandLineOption maxBodyOption(
        QStringLiteral("max-body"),
        QStringLiteral("Largest request body accepted; a larger one is refused before it is read."),
        QStringLiteral("BYTES"), QStringLiteral("1048576"));
    const QCommandLineOption idleOption(
        QStringLiteral("idle-timeout"),
        QStringLiteral("A connection that sends nothing for this long is closed."),
        QStringLiteral("SECONDS"), QStringLiteral("30"));
    const QCommandLineOption requestTimeoutOption(
        QStringLiteral("request-timeout"),
        QStringLiteral("A request not answered whole within this is cut, a streamed report "
                       "included."),
        QStringLiteral("SECONDS"), QStringLiteral("120"));
    const QCommandLineOption verboseOption(QStringLiteral("verbose"),
                                           QStringLiteral("Log every request on standard error."));
    parser.addOptions({portOption, databaseOption, certOption, keyOption, namespaceOption,
                       scaleOption, threadsOption, maxBodyOption, idleOption, requestTimeoutOption,
                       verboseOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535)
        return fail(QStringLiteral("--port must be a number from 0 to 65535"));
    const int scale = parser.value(scaleOption).toInt(&ok);
    if (!ok || scale < 1 || scale > 1000)
        return fail(QStringLiteral("--scale must be a number from 1 to 1000"));
    Demo::ServerSettings settings;
    settings.threads = parser.value(threadsOption).toInt(&ok);
    if (!ok || settings.threads < 1 || settings.threads > 256)
        return fail(QStringLiteral("--threads must be a number from 1 to 256"));
    settings.maxBodyBytes = parser.value(maxBodyOption).toLongLong(&ok);
    if (!ok || settings.maxBodyBytes < 1024 || settings.maxBodyBytes > (qint64(1) << 30))
        return fail(QStringLiteral("--max-body must be a number of bytes from 1024 to 1073741824"));
    settings.idleTimeoutSeconds = parser.value(idleOption).toInt(&ok);
    if (!ok || settings.idleTimeoutSeconds < 1 || settings.idleTimeoutSeconds > 86400)
        return fail(QStringLiteral("--idle-timeout must be a number of seconds from 1 to 86400"));
    settings.requestTimeoutSeconds = parser.value(requestTimeoutOption).toInt(&ok);
    if (!ok || settings.requestTimeoutSeconds < 1 || settings.requestTimeoutSeconds > 86400)
        return fail(
            QStringLiteral("--request-timeout must be a number of seconds from 1 to 86400"));
    settings.verbose = parser.isSet(verboseOption);
    const QString namespaceUri = parser.value(namespaceOption);
    if (namespaceUri.isEmpty())
        return fail(QStringLiteral("--namespace must not be empty"));

    QString error;
    const QByteArray certPem = readFile(parser.value(certOption), &error);
    const QByteArray keyPem =
        certPem.isEmpty() ? QByteArray() : readFile(parser.value(keyOption), &error);
    if (certPem.isEmpty() || keyPem.isEmpty())
        return fail(error);
    const QSslCertificate certificate(certPem, QSsl::Pem);
    QSslKey key(keyPem, QSsl::Rsa, QSsl::Pem);
    if (key.isNull())
        key = QSslKey(keyPem, QSsl::Ec, QSsl::Pem);
    if (certificate.isNull() || key.isNull())
        return fail(QStringLiteral("cannot use the certificate %1 with the key %2")
                        .arg(parser.value(certOption), parser.value(keyOption)));

    const QString databaseFile = QFileInfo(parser.value(databaseOption)).absoluteFilePath();
    if (!QDir().mkpath(QFileInfo(databaseFile).absolutePath()))
        return fail(QStringLiteral("cannot create the folder of %1").arg(databaseFile));
    Demo::DemoDatabase database;
    if (!database.open(databaseFile, &error))
        return fail(QStringLiteral("cannot open %1: %2").arg(databaseFile, error));
    QElapsedTimer timer;
    timer.start();
    bool seeded = false;
    int existingScale = 0;
    if (!database.ensureSeeded(scale, &seeded, &existingScale, &error))
        return fail(QStringLiteral("cannot prepare %1: %2").arg(databaseFile, error));
    QTextStream err(stderr);
    if (seeded) {
        err << "Seeded " << databaseFile << " at scale " << scale << " in " << timer.elapsed()
            << " ms\n";
    } else if (existingScale != scale && parser.isSet(scaleOption)) {
        err << "Note: " << databaseFile << " was seeded at scale " << existingScale
            << "; --scale applies to a new database only\n";
    }
    err.flush();

    int status = 0;
    {
        Demo::DpcService service(database.connection());
        if (!service.load(&error))
            return fail(error);
        settings.databaseFile = databaseFile;
        settings.namespaceUri = namespaceUri;
        Demo::DemoServer server(settings);
        if (!installSignalHandlers(app))
            return fail(QStringLiteral("cannot install the signal handlers"));
        if (server.listen(certPem, keyPem, static_cast<quint16>(port), &error) == 0)
            return fail(QStringLiteral("cannot listen on 127.0.0.1:%1: %2").arg(port).arg(error));

        QTextStream out(stdout);
        out << "DPC demo service listening on " << server.endpointUrl() << Qt::endl;
        out << "Demo users (user / password / province):" << Qt::endl;
        for (const Demo::Users::User& user : Demo::Users::all()) {
            out << "  " << user.username << " / " << user.password << " / " << user.prov << "  ("
                << QString::fromUtf8(user.nome) << ")" << Qt::endl;
        }
        std::fflush(stdout);

        status = app.exec();
    }
    database.close();
    err << "DPC demo service stopped" << Qt::endl;
    return status;
}
