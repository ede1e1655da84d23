// A bare Qt Widgets window of four tabs holding controls like the program's
// pages: the floor the program's start-up is measured against.
#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

QWidget* formPage(const QStringList& fields, const QStringList& buttons, bool withList)
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* box = new QGroupBox(QStringLiteral("Dati"));
    auto* form = new QFormLayout(box);
    for (const QString& field : fields)
        form->addRow(field, new QLineEdit);
    form->addRow(QStringLiteral("Scelta"), new QComboBox);
    layout->addWidget(box);
    if (withList) {
        auto* list = new QTreeWidget;
        list->setHeaderLabels({QStringLiteral("Codice"), QStringLiteral("Descrizione"),
                               QStringLiteral("Data"), QStringLiteral("Importo")});
        list->header()->setStretchLastSection(true);
        layout->addWidget(list, 1);
    } else {
        layout->addStretch(1);
    }
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const QString& caption : buttons)
        row->addWidget(new QPushButton(caption));
    layout->addLayout(row);
    auto* status = new QStatusBar;
    status->addPermanentWidget(new QLabel(QStringLiteral("Utente")));
    status->addPermanentWidget(new QLabel(QStringLiteral("Provincia")));
    layout->addWidget(status);
    return page;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Window | Qt::FramelessWindowHint);
    window.setFixedSize(809, 505);
    auto* tabs = new QTabWidget(&window);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs);
    tabs->addTab(formPage({QStringLiteral("UTENTE"), QStringLiteral("PASSWORD")},
                          {QStringLiteral("ACCEDI"), QStringLiteral("Esci")}, false),
                 QStringLiteral("LOGIN"));
    tabs->addTab(
        formPage({QStringLiteral("AIC"), QStringLiteral("Principio attivo")},
                 {QStringLiteral("Cerca"), QStringLiteral("Svuota"), QStringLiteral("Esci")}, true),
        QStringLiteral("RICERCA FARMACO"));
    tabs->addTab(
        formPage({QStringLiteral("Ricetta"), QStringLiteral("Codice fiscale"),
                  QStringLiteral("Farmacia"), QStringLiteral("Data"), QStringLiteral("Errore"),
                  QStringLiteral("Note")},
                 {QStringLiteral("Registra"), QStringLiteral("Annulla"), QStringLiteral("Esci")},
                 true),
        QStringLiteral("REGISTRA"));
    tabs->addTab(
        formPage({QStringLiteral("Anno"), QStringLiteral("Mese")},
                 {QStringLiteral("Elabora"), QStringLiteral("Stampa"), QStringLiteral("Esci")},
                 true),
        QStringLiteral("REPORTS"));
    window.show();
    return QApplication::exec();
}
