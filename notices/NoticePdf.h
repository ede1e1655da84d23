#pragma once

#include "Progress.h"

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

#include <memory>

class NoticeTable;
class PharmacyGroups;
class QBuffer;
class QPdfWriter;
class ReportRecords;
struct NoticeHeading;
struct PharmacyGroup;

// The registered errors as PDF pages (A4 landscape), written whole or not at
// all. Every page names its pharmacy in a running header, repeats the
// table's header and ends with "Pagina N di M"; the first page carries the
// heading. A group of rows starts on a page of its own with its title and
// ends with its count and gross total, the sum of the amounts it lists.
// The whole report ends with pages of its own headed "RIEPILOGO": each
// pharmacy's count and gross total, then the grand total. A pharmacy's notice
// is PDF/A-1b. `progress` is told the records done and may stop the writing:
// then no file is written.
class NoticePdf
{
public:
    NoticePdf();
    ~NoticePdf();
    NoticePdf(const NoticePdf&) = delete;
    NoticePdf& operator=(const NoticePdf&) = delete;

    // Every pharmacy's group, then the summary and the grand total.
    bool writeReport(const QString& path, const NoticeHeading& heading,
                     const ReportRecords& records, const PharmacyGroups& groups,
                     const Progress& progress, QString* error);
    // One pharmacy's notice: its records only, its code and name in the
    // heading. Once written, `sha256` gets the file's SHA-256.
    bool writePharmacy(const QString& path, const NoticeHeading& heading,
                       const ReportRecords& records, const PharmacyGroup& group,
                       const Progress& progress, QString* error, QByteArray* sha256 = nullptr);

    // Where the table's columns lie across a page, in points from its left edge.
    static QList<QPair<qreal, qreal>> columnSpans();
    // "Totale FARMACIA 00005 NAME: 12 errori - lordo 1.234,50"
    static QString groupTotalText(const PharmacyGroup& group);

private:
    std::unique_ptr<QBuffer> m_device;
    std::unique_ptr<QPdfWriter> m_layout;
    std::unique_ptr<NoticeTable> m_table;
};
