#include "ReportNotices.h"

#include "BusyCursor.h"
#include "CancelledErrors.h"
#include "ExportFileDialog.h"
#include "MessageBoxes.h"
#include "NoticePdf.h"
#include "NoticeProgress.h"
#include "PharmacyGroups.h"
#include "PharmacyNotices.h"
#include "ReportCsv.h"
#include "ReportRecords.h"
#include "ReportXlsx.h"

#include <QDir>
#include <QFileInfo>
#include <QTreeWidget>

namespace {

const QString Cancelled = QStringLiteral("ESPORTAZIONE ANNULLATA");

QString writtenText(qsizetype written, qsizetype total)
{
    return QStringLiteral("FILE SCRITTI: %1 DI %2").arg(written).arg(total);
}

// What an end message adds when cancelled errors were left out.
QString leftOutText(qsizetype leftOut)
{
    return leftOut > 0 ? QStringLiteral(" - ERRORI ANNULLATI ESCLUSI: %1").arg(leftOut) : QString();
}

} // namespace

ReportNotices::ReportNotices(MessageBoxes& boxes, QWidget* parent)
    : m_boxes(boxes), m_parent(parent)
{
}

QList<qsizetype> ReportNotices::listedPositions(const QTreeWidget* list)
{
    QList<qsizetype> positions;
    positions.reserve(list->topLevelItemCount());
    for (int r = 0; r < list->topLevelItemCount(); ++r) {
        bool ok = false;
        const qsizetype p =
            list->topLevelItem(r)->data(0, ReportRecords::PositionRole).toLongLong(&ok);
        positions.append(ok ? p : -1);
    }
    return positions;
}

std::optional<QList<qsizetype>> ReportNotices::exported(const QList<qsizetype>& positions,
                                                        const ReportRecords& records,
                                                        const CancelledErrors& cancelled)
{
    m_leftOut = 0;
    if (positions.isEmpty()) {
        m_boxes.inform(m_parent, QStringLiteral("NESSUN DATO DA ESPORTARE"));
        return std::nullopt;
    }
    // Rows whose answer could not be kept: nothing of them can go out.
    for (const qsizetype p : positions) {
        if (p < 0 || p >= records.size()) {
            m_boxes.inform(m_parent, QStringLiteral("IMPOSSIBILE LEGGERE IL FILE ") +
                                         ReportRecords::stagedFile);
            return std::nullopt;
        }
    }
    QList<qsizetype> kept = cancelled.without(positions, records, &m_leftOut);
    if (kept.isEmpty()) {
        m_boxes.inform(m_parent,
                       QStringLiteral("NESSUN DATO DA ESPORTARE") + leftOutText(m_leftOut));
        return std::nullopt;
    }
    return kept;
}

void ReportNotices::exportFile(const QList<qsizetype>& listed, const ReportRecords& records,
                               const CancelledErrors& cancelled, const NoticeHeading& heading)
{
    const std::optional<QList<qsizetype>> kept = exported(listed, records, cancelled);
    if (!kept)
        return;
    const QList<qsizetype>& positions = *kept;
    const QString name = QStringLiteral("errori_%1_%2.csv").arg(heading.anno, heading.periodName);
    const QString path = ExportFileDialog::choose(
        m_parent, QStringLiteral("Esporta gli errori"), name,
        ExportFileDialog::csvFilter() + QStringLiteral(";;") + ExportFileDialog::xlsxFilter() +
            QStringLiteral(";;") + ExportFileDialog::pdfFilter());
    if (path.isEmpty())
        return;

    NoticeHeading stamped = heading;
    stamped.exportedAt = QDateTime::currentDateTime();
    const QString suffix = QFileInfo(path).suffix().toLower();
    QString error;
    bool written = false;
    bool stopped = false;
    {
        BusyCursor busy;
        NoticeProgress progress(m_parent, QStringLiteral("Esportazione degli errori…"),
                                positions.size());
        if (suffix == u"pdf") {
            PharmacyGroups groups;
            written = groups.read(records, positions, &error) &&
                      NoticePdf().writeReport(path, stamped, records, groups, progress.progress(),
                                              &error);
        } else if (suffix == u"xlsx") {
            written = ReportXlsx::write(path, records, positions, progress.progress(), &error);
        } else {
            written = ReportCsv::write(path, records, positions, progress.progress(), &error);
        }
        stopped = progress.cancelled();
    }
    if (written)
        m_boxes.inform(
            m_parent,
            QStringLiteral("ESPORTAZIONE COMPLETATA - ERRORI ESPORTATI: %1").arg(positions.size()) +
                leftOutText(m_leftOut));
    else
        m_boxes.inform(m_parent, stopped ? Cancelled : error);
}

void ReportNotices::exportPerPharmacy(const QList<qsizetype>& listed, const ReportRecords& records,
                                      const CancelledErrors& cancelled,
                                      const NoticeHeading& heading)
{
    const std::optional<QList<qsizetype>> kept = exported(listed, records, cancelled);
    if (!kept)
        return;
    // A notice is filed under its pharmacy's number: a code that is not one is refused.
    PharmacyGroups groups(PharmacyGroups::Codes::Whole);
    QString error;
    if (!groups.read(records, *kept, &error)) {
        m_boxes.inform(m_parent, error);
        return;
    }
    const QString folder =
        ExportFileDialog::chooseFolder(m_parent, QStringLiteral("Esporta per farmacia"));
    if (folder.isEmpty())
        return;
    NoticeHeading stamped = heading;
    stamped.exportedAt = QDateTime::currentDateTime();
    if (!PharmacyNotices::existing(folder, stamped, groups).isEmpty() &&
        !m_boxes.ask(m_parent, QStringLiteral("SOVRASCRIVERE I FILE ESISTENTI?"),
                     MessageBoxes::applicationTitle))
        return;

    PharmacyNotices::Outcome outcome;
    bool stopped = false;
    {
        BusyCursor busy;
        NoticeProgress progress(m_parent, QStringLiteral("Notifiche per farmacia…"),
                                groups.count());
        outcome = PharmacyNotices::write(folder, stamped, records, groups, progress.progress());
        stopped = outcome.stopped;
    }
    const qsizetype total = groups.groups().size();
    const QString written = writtenText(outcome.written, total) + leftOutText(m_leftOut);
    if (!outcome.failed.isEmpty())
        m_boxes.inform(m_parent, QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") +
                                     QDir::toNativeSeparators(outcome.failed) +
                                     QStringLiteral(" - ") + written);
    else if (stopped)
        m_boxes.inform(m_parent, Cancelled + QStringLiteral(" - ") + written);
    else
        m_boxes.inform(m_parent, QStringLiteral("ESPORTAZIONE COMPLETATA - ") + written);
}
