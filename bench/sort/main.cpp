// Fills a report list with 100,000 rows and times the column sort by a text, a
// numeric and a date column, against a plain std::stable_sort of the same texts.
#include "ColumnSort.h"
#include "ListSetup.h"

#include <QApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTime>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int RowCount = 100000;
constexpr double AimMs = 500.0;

QList<QStringList> makeRows(const QLocale& locale)
{
    const QStringList molecules{
        "ATORVASTATINA", "enoxaparina sodica", "Insulina glargine", "PANTOPRAZOLO", "metformina",
        "Ácido fólico",  "EPOETINA ALFA",      "Rivaroxaban",       "clopidogrel",  "ÉTANERCEPT"};
    const QStringList forms{"CPR RIV", "SIR 0,4ML", "FL 10ML", "CPS", "PENNA 3ML"};
    QRandomGenerator random(20240307);
    QList<QStringList> rows;
    rows.reserve(RowCount);
    for (int r = 0; r < RowCount; ++r) {
        const QString molecule = molecules[random.bounded(int(molecules.size()))];
        const QString atc = QStringLiteral("%1%2%3")
                                .arg(QChar(u'A' + random.bounded(14)))
                                .arg(random.bounded(100), 2, 10, QChar(u'0'))
                                .arg(random.bounded(1000), 3, 10, QChar(u'0'));
        const QString aic =
            QStringLiteral("%1").arg(random.bounded(1000000000), 9, 10, QChar(u'0'));
        const QString name = molecule.left(6).toUpper() +
                             QStringLiteral(" %1MG ").arg(random.bounded(1, 500)) +
                             forms[random.bounded(int(forms.size()))];
        const QString price = locale.toString((random.bounded(255000) - 5000) / 100.0, 'f', 2);
        const QDate day = QDate(2015, 1, 1).addDays(random.bounded(3650));
        const QString dispensed =
            day.toString(QStringLiteral("dd/MM/yyyy")) +
            QTime(random.bounded(24), random.bounded(60)).toString(QStringLiteral(" HH:mm"));
        const QString pieces = QString::number(random.bounded(1, 30));
        rows.append({atc, molecule, aic, name, price, dispensed, pieces});
    }
    return rows;
}

double sortMs(QTreeWidget* list, int column)
{
    QElapsedTimer timer;
    timer.start();
    ColumnSort::ORDINA_COLONNA(list, column);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QLocale italian(QLocale::Italian, QLocale::Italy);
    QLocale::setDefault(italian);

    QTreeWidget list;
    ListSetup::prepare(&list, {{" ATC ", 1300, Qt::AlignLeft, "S|True|"},
                               {"MOLECOLA", 2500, Qt::AlignLeft, "S|True|"},
                               {"AIC", 1800, Qt::AlignLeft, "S|True|"},
                               {"FARMACO", 4350, Qt::AlignLeft, "S|True|"},
                               {"PREZZO", 1200, Qt::AlignRight, "N|True|"},
                               {"DATA", 2000, Qt::AlignLeft, "D|True|"},
                               {"PEZZI", 800, Qt::AlignRight, "N|True|"}});
    list.resize(900, 600);
    list.show();
    QCoreApplication::processEvents();

#ifdef NDEBUG
    std::printf("build: optimised\n");
#else
    std::printf("build: debug (unoptimised; figures are higher than in a release build)\n");
#endif
    const QList<QStringList> rows = makeRows(italian);
    QElapsedTimer timer;
    timer.start();
    ListSetup::addRows(&list, rows);
    QCoreApplication::processEvents();
    std::printf("fill %d rows (addRows): %.1f ms\n", RowCount, double(timer.nsecsElapsed()) / 1e6);

    QStringList names;
    names.reserve(RowCount);
    for (const QStringList& row : rows)
        names.append(row[3]);
    timer.restart();
    std::stable_sort(names.begin(), names.end());
    const double baselineMs = double(timer.nsecsElapsed()) / 1e6;
    std::printf("baseline std::stable_sort of %d QStrings: %.1f ms\n", RowCount, baselineMs);

    struct Case
    {
        const char* name;
        int column;
    };
    bool allMet = true;
    for (const Case& c :
         {Case{"text (FARMACO)", 4}, Case{"number (PREZZO)", 5}, Case{"date (DATA)", 6}}) {
        for (const char* direction : {"ascending", "descending"}) {
            const double ms = sortMs(&list, c.column);
            QCoreApplication::processEvents(); // the one repaint after the sort
            const bool met = ms < AimMs;
            allMet = allMet && met;
            std::printf("sort %-16s %-10s: %7.1f ms  (%.1fx baseline)  aim < %.0f ms: %s\n", c.name,
                        direction, ms, baselineMs > 0 ? ms / baselineMs : 0.0, AimMs,
                        met ? "met" : "NOT met");
        }
    }
    std::printf("all sorts under %.0f ms: %s\n", AimMs, allMet ? "yes" : "no");
    return 0;
}
