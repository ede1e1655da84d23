// Fuzzes the value reader behind the log-in and the prescription look-up. The
// first line of the input is a tag, the rest a service answer. The reader is
// compared with a plain reading on the whole answer, on the result the
// log-in and the look-up cut out of it (read as one text), and on its lines.

#include "ResultStager.h"
#include "SlowReading.h"
#include "ValueReader.h"

#include <cstddef>
#include <cstdint>

using SlowReading::check;

namespace {

void compare(const QString& text, const QString& tag)
{
    const bool has = ValueReader::hasTag(text, tag);
    check(has == SlowReading::hasTag(text, tag));
    const QString value = ValueReader::LEGGI_VALORE(text, tag);
    check(value == SlowReading::value(text, tag));
    check(has || value.isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString input =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf(u'\n');
    const QString tag = newline < 0 ? QString() : input.left(newline);
    const QString answer = newline < 0 ? input : input.mid(newline + 1);

    static const QStringList loginTags = {QStringLiteral("ID"), QStringLiteral("Prov"),
                                          QStringLiteral("Regione"), QStringLiteral("ASP"),
                                          QStringLiteral("Nome")};
    static const QStringList lookUpTags = {QStringLiteral("Anno"),
                                           QStringLiteral("Mese"),
                                           QStringLiteral("Codice_assistito"),
                                           QStringLiteral("Assistito"),
                                           QStringLiteral("Progressivo"),
                                           QStringLiteral("Farmacia"),
                                           QStringLiteral("Ragsoc"),
                                           QStringLiteral("Localita"),
                                           QStringLiteral("Distretto")};

    compare(answer, tag);
    for (const auto& [operation, tags] :
         {std::pair{QStringLiteral("LoginUser"), &loginTags},
          std::pair{QStringLiteral("QueryRicette"), &lookUpTags},
          std::pair{QStringLiteral("LoadListaFarmacie"), &lookUpTags}}) {
        const std::optional<QString> result = ResultStager::cut(answer, operation, false);
        if (!result)
            continue;
        compare(*result, tag);
        for (const QString& t : *tags)
            compare(*result, t);
    }
    for (const QString& line : SlowReading::lines(ResultStager::split(answer)))
        compare(line, tag);
    return 0;
}
