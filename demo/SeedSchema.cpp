#include "SeedSchema.h"

#include "SeedWriter.h"
#include "Seeder.h"

namespace Demo {

namespace Seeder {
namespace {

const char* const kSchema[] = {
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE provinces(prov TEXT PRIMARY KEY, regione TEXT NOT NULL, asp TEXT NOT NULL)",
    "CREATE TABLE users(id INTEGER PRIMARY KEY, username TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    " salt TEXT NOT NULL, password_hash TEXT NOT NULL, prov TEXT NOT NULL, nome TEXT NOT NULL)",
    "CREATE TABLE pharmacies(prov TEXT NOT NULL, code INTEGER NOT NULL, ragsoc TEXT NOT NULL,"
    " localita TEXT NOT NULL, distretto TEXT NOT NULL, PRIMARY KEY(prov, code))",
    "CREATE TABLE atc_groups(code TEXT PRIMARY KEY, descrizione TEXT NOT NULL)",
    "CREATE TABLE drugs(aic TEXT PRIMARY KEY, atc TEXT NOT NULL, molecola TEXT NOT NULL,"
    " farmaco TEXT NOT NULL, nota TEXT NOT NULL, req_pt TEXT NOT NULL, prezzo TEXT NOT NULL,"
    " tipo_pt TEXT NOT NULL, disposizioni TEXT NOT NULL, data TEXT NOT NULL,"
    " ddd_tenths INTEGER NOT NULL)",
    "CREATE TABLE error_codes(code INTEGER PRIMARY KEY, descrizione TEXT NOT NULL,"
    " soggetto TEXT NOT NULL, tipo_addebito TEXT NOT NULL)",
    "CREATE TABLE patients(id INTEGER PRIMARY KEY, prov TEXT NOT NULL,"
    " codice_fiscale TEXT NOT NULL, cognome TEXT NOT NULL, nome TEXT NOT NULL,"
    " sesso TEXT NOT NULL, data_nascita TEXT NOT NULL)",
    "CREATE TABLE prescriptions(numrickey TEXT PRIMARY KEY, prov TEXT NOT NULL,"
    " anno INTEGER NOT NULL, mese INTEGER NOT NULL, data_spedizione TEXT NOT NULL,"
    " farmacia INTEGER NOT NULL, patient_id INTEGER NOT NULL, progressivo INTEGER NOT NULL)",
    "CREATE TABLE prescription_lines(numrickey TEXT NOT NULL, riga INTEGER NOT NULL,"
    " aic TEXT NOT NULL, pezzi INTEGER NOT NULL, PRIMARY KEY(numrickey, riga))",
    "CREATE TABLE registered_errors(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " prov TEXT NOT NULL, flusso TEXT NOT NULL, anno INTEGER NOT NULL, mese INTEGER NOT NULL,"
    " codfarma INTEGER NOT NULL, numrickey TEXT NOT NULL, aic TEXT NOT NULL,"
    " pezzi INTEGER NOT NULL, lordo_cents INTEGER NOT NULL, cod_errore INTEGER NOT NULL,"
    " registered_at TEXT NOT NULL, cancelled_at TEXT)",
};

// Created by createIndexes() after the bulk insert.
const char* const kIndexes[] = {
    "CREATE UNIQUE INDEX patients_by_fiscal_code ON patients(prov, codice_fiscale)",
    "CREATE INDEX prescriptions_by_patient ON prescriptions(prov, patient_id)",
    ("CREATE INDEX registered_errors_by_month ON registered_errors(prov, anno, mese, codfarma)"
     " WHERE cancelled_at IS NULL"),
};

} // namespace

bool createSchema(QSqlDatabase& db, QString* error)
{
    SeedWriter w(db);
    for (const char* sql : kSchema) {
        if (!w.run(sql)) {
            if (error)
                *error = w.error();
            return false;
        }
    }
    return true;
}

bool createIndexes(SeedWriter& w)
{
    for (const char* sql : kIndexes) {
        if (!w.run(sql))
            return false;
    }
    return true;
}

} // namespace Seeder

} // namespace Demo
