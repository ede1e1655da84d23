#pragma once

// Records the demo service always seeds, whatever its --scale, so that tests and
// the README can name them. Everything else it seeds is generated from a fixed seed.
namespace DemoFixtures {

// Operators (one per province)
inline constexpr const char* userPA = "operatore.pa";
inline constexpr const char* passwordPA = "dpc-demo-pa";
inline constexpr const char* provPA = "PA";
inline constexpr const char* regionePA = "19";
inline constexpr const char* aspPA = "ASP PALERMO";
inline constexpr const char* nomePA = "MARIO ROSSI";
inline constexpr int idPA = 17;

inline constexpr const char* userCT = "operatore.ct";
inline constexpr const char* passwordCT = "dpc-demo-ct";
inline constexpr const char* provCT = "CT";
inline constexpr const char* regioneCT = "19";
inline constexpr const char* aspCT = "ASP CATANIA";
inline constexpr const char* nomeCT = "GIULIA BIANCHI";
inline constexpr int idCT = 23;

// A drug of the D.P.C. list with a therapeutic plan of regional type
inline constexpr const char* aicPlan = "035946023";
inline constexpr const char* atcPlan = "L04AB04";
inline constexpr const char* moleculePlan = "ADALIMUMAB";
inline constexpr const char* namePlan = "HUMIRA 40 MG SOLUZIONE INIETTABILE 2 PENNE";
inline constexpr const char* pricePlan = "1234,5"; // as the service writes it
inline constexpr const char* notaPlan = "NOTA 65";
inline constexpr const char* reqPtPlan = "S";
inline constexpr const char* tipoPtPlan = "R";
inline constexpr const char* dataPlan = "01/03/2024";
inline constexpr const char* disposizioniPlan = "Prescrizione su piano terapeutico, distribuzione per conto";

// A drug without a plan (ReqPT and TipoPT empty); its molecule has at least
// three packages on the list, this one included.
inline constexpr const char* aicNoPlan = "035683042";
inline constexpr const char* moleculeNoPlan = "ENOXAPARINA SODICA";
inline constexpr const char* namePartNoPlan = "ENOXAPARINA";
inline constexpr int packagesNoPlanMolecule = 3;

// An AIC code that is not on the list
inline constexpr const char* aicUnknown = "000000000";

// A prescription of province PA with its pharmacy and patient
inline constexpr const char* prescriptionPA = "123450000043211";
inline constexpr int prescriptionYear = 2024;
inline constexpr int prescriptionMonth = 9;
inline constexpr int pharmacyCode = 1234;
inline constexpr const char* pharmacyName = "FARMACIA CENTRALE";
inline constexpr const char* pharmacyTown = "PALERMO";
inline constexpr const char* pharmacyDistrict = "PA1";
inline constexpr const char* patientName = "RUSSO GIUSEPPE";
inline constexpr const char* patientFiscalCode = "RSSGPP50A01G273X";

// An error code charged to the pharmacy, and one charged to another subject
inline constexpr int errorPharmacy = 12;
inline constexpr const char* errorPharmacyDescription = "RICETTA SCADUTA";
inline constexpr const char* errorPharmacySubject = "Farmacia";
inline constexpr int errorOther = 40;
inline constexpr const char* errorOtherSubject = "Medico prescrittore";

// A second operator per province (a physician of the authority)
inline constexpr const char* userPA2 = "medico.pa";
inline constexpr const char* passwordPA2 = "dpc-medico-pa";
inline constexpr const char* nomePA2 = "DR. SALVATORE LO PRESTI";
inline constexpr int idPA2 = 31;
inline constexpr const char* userCT2 = "medico.ct";
inline constexpr const char* passwordCT2 = "dpc-medico-ct";
inline constexpr const char* nomeCT2 = "DR.SSA AGATA D'AMICO";
inline constexpr int idCT2 = 37;

// Progressive number of the PA prescription above
inline constexpr const char* prescriptionProgressive = "37";

// An electronic prescription of province PA (fifth character "A": no check
// character), same pharmacy and patient as above
inline constexpr const char* prescriptionExemptPA = "1900A1234567890";
inline constexpr int prescriptionExemptYear = 2025;
inline constexpr int prescriptionExemptMonth = 11;

// A prescription of province CT with its pharmacy (name with an apostrophe and
// a comma) and patient
inline constexpr const char* prescriptionCT = "190870000056788";
inline constexpr int prescriptionCTYear = 2025;
inline constexpr int prescriptionCTMonth = 3;
inline constexpr int pharmacyCodeCT = 3010;
inline constexpr const char* pharmacyNameCT = "FARMACIA DELL'ETNA, DR. CARMELO SCUDERI";
inline constexpr const char* pharmacyTownCT = "CATANIA";
inline constexpr const char* pharmacyDistrictCT = "CT1";
inline constexpr const char* patientNameCT = "MUSUMECI AGATA";
inline constexpr const char* patientFiscalCodeCT = "MSMGTA62B45C351S";
inline constexpr const char* atcCT = "B01AF02"; // APIXABAN, dispensed on that prescription

// Years covered by the seeded prescriptions and registered errors
inline constexpr int firstSeededYear = 2024;
inline constexpr int lastSeededYear = 2026;

} // namespace DemoFixtures
