#include "VedeErrori.h"

#include "AppContext.h"
#include "ListSetup.h"
#include "NumberText.h"
#include "Twips.h"
#include "ValueReader.h"

#include <QTreeWidget>

VedeErrori::VedeErrori(AppContext& context, QWidget* parent)
    : ListWindow(QStringLiteral("vede_errori"), QStringLiteral("listricette"),
                 QStringLiteral("Codici di errore"), parent),
      listricette(list()), m_context(context)
{
    setWindowTitle(QStringLiteral("  ELENCO ERRORI"));
    setAccessibleName(QStringLiteral("ELENCO ERRORI"));
    resize(Twips::px(14340), Twips::px(2685));

    m_context.utenti.TipoAddebito.set(u"");
    m_context.utenti.Soggetto.set(u"");
    LEGGE();
    listricette->setFocus();
}

void VedeErrori::LEGGE()
{
    const Utenti& u = m_context.utenti;
    ListSetup::prepare(listricette,
                       {{QStringLiteral(" CODICE "), 1100, Qt::AlignLeft, "S|True|"},
                        {QStringLiteral("DESCRIZIONE"), 8920, Qt::AlignLeft, "S|True|"},
                        {QStringLiteral("ADDEBITO"), 1900, Qt::AlignLeft, "S|True|"},
                        {QStringLiteral("SOGGETTO"), 2100, Qt::AlignLeft, QString()}});
    const qint32 code = u.Errore_ricerca;
    const QString words = u.Descrizione.trimmed();

    // Values are kept between records: a record missing an element repeats
    // the previous record's value. A missing cache file lists nothing.
    QString errore, descrizione, soggetto, addebito;
    QList<QStringList> rows;
    const QStringList lines = m_context.service().readLines(StagingFolder::errorTableFile);
    for (const QString& line : lines) {
        if (ValueReader::hasTag(line, u"Errore"))
            errore = ValueReader::LEGGI_VALORE(line, u"Errore");
        if (ValueReader::hasTag(line, u"Descrizione"))
            descrizione = ValueReader::LEGGI_VALORE(line, u"Descrizione");
        if (ValueReader::hasTag(line, u"Soggetto"))
            soggetto = ValueReader::LEGGI_VALORE(line, u"Soggetto");
        if (ValueReader::hasTag(line, u"TipoAddebito"))
            addebito = ValueReader::LEGGI_VALORE(line, u"TipoAddebito");
        if (!line.contains(QStringLiteral("</TabErrori>")))
            continue;
        if (code >= 1 && NumberText::leadingNumber(errore) != double(code))
            continue;
        if (!words.isEmpty() && !descrizione.contains(words, Qt::CaseSensitive))
            continue;
        rows.append({errore, descrizione, addebito, soggetto});
    }
    ListSetup::addRows(listricette, rows);
    if (listricette->topLevelItemCount() > 0)
        listricette->setCurrentItem(listricette->topLevelItem(0));
    if (listricette->topLevelItemCount() == 1)
        pick();
}

void VedeErrori::pick()
{
    const QTreeWidgetItem* row = listricette->currentItem();
    if (!row)
        return;
    Utenti& u = m_context.utenti;
    u.Errore = NumberText::toInt32(NumberText::leadingNumber(row->text(0)));
    u.Descrizione.set(row->text(1));
    u.TipoAddebito.set(row->text(2));
    u.Soggetto.set(row->text(3));
}

bool VedeErrori::listClicked(QMouseEvent*)
{
    if (listricette->topLevelItemCount() > 0)
        pick();
    accept();
    return true;
}

void VedeErrori::enterPressed()
{
    if (listricette->topLevelItemCount() == 0)
        return;
    pick();
    accept();
}
