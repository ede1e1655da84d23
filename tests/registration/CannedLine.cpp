#include "CannedLine.h"

#include "RegistraSteps.h"
#include "TestService.h"

#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

using namespace RegistraSteps;

namespace CannedLine {

const QString number = QStringLiteral("999000000000001");
const QString aic = QStringLiteral("012345678");

QString warning(const QString& id)
{
    return QStringLiteral("ERRORE GIA' REGISTRATO PER QUESTA RICETTA, QUESTO FARMACO E QUESTO "
                          "ERRORE (ID ") +
           id + QStringLiteral("). REGISTRARLO DI NUOVO?");
}

QByteArray record(const QByteArray& id, const QByteArray& aicCode, const QByteArray& code,
                  const QByteArray& prescription, const QByteArray& quantity)
{
    return "<ID>" + id + "</ID><Anno>2024</Anno><Mese>3</Mese><Codfarma>77</Codfarma><NumricKey>" +
           prescription + "</NumricKey><AIC>" + aicCode + "</AIC><Pezzi>" + quantity +
           "</Pezzi><CodErrore>" + code + "</CodErrore>";
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void pressEsc(QTreeWidget* list)
{
    QTest::keyClick(list, Qt::Key_Escape);
}

QByteArray Tab::stagedNow() const
{
    return readFile(f->stagingPath(StagingFolder::exportFile));
}

void Tab::press()
{
    QTest::mouseClick(f->find<QPushButton>("Comm_REGISTRA"), Qt::LeftButton);
}

std::unique_ptr<Tab> lineFilled(const QList<QByteArray>& registered)
{
    auto tab = std::make_unique<Tab>();
    tab->service.setOtherAnswer(world());
    for (const QByteArray& children : registered)
        tab->service.addRecord(2024, 3, 77, children);
    if (!tab->service.listen())
        return nullptr;
    tab->f = std::make_unique<MainWindowFixture>(TestService::configFor(tab->service.server()));
    MainWindowFixture& f = *tab->f;
    if (!f.logIn(QStringLiteral("u"), QStringLiteral("p")))
        return nullptr;
    enterTab(f);
    typeNumber(f, number);
    typeIn(f, "Text_COD_AIC", aic);
    if (!searchError(f, "Text_COD_ERR", QStringLiteral("9"), pressEsc))
        return nullptr;
    tab->staged = tab->stagedNow();
    f.boxes.clear();
    return tab;
}

} // namespace CannedLine
