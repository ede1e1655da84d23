#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct NoticeHeading;

// The list of the notices written into a folder, beside them, for the office
// to register each notice it sends: one line per file with the pharmacy's
// code and name, its count of errors, its gross total, the file's name and
// its SHA-256. In the CSV style of the exports; it holds no patient data.
class NoticeList
{
public:
    struct Entry
    {
        QString code; // "00005"
        QString name;
        qsizetype count = 0;
        qint64 cents = 0;
        QString file; // the name in the folder
        QByteArray sha256;
    };

    // "elenco_<anno>_<mm|annuo>.csv"
    static QString fileName(const NoticeHeading& heading);
    static QStringList header();

    // False when the file could not be written; `error` then gets the message.
    static bool write(const QString& path, const QList<Entry>& entries, QString* error);
};
