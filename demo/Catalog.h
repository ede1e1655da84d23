#pragma once

#include <span>

namespace Demo {

// Fixed reference tables the demo database is seeded from: the D.P.C. drug
// list, the ATC groups, the error codes, and the names and places used to
// generate pharmacies and patients.
namespace Catalog {

// Attributes shared by every package of one ATC group (first five characters).
struct AtcGroup
{
    const char* code;
    const char* description;
    const char* nota;
    const char* reqPt;  // "S" when a therapeutic plan is required, else ""
    const char* tipoPt; // "T" (AIFA template), "R" (regional form) or ""
    const char* disposizioni;
};

// One package of the list. Its AIC code is generated unless given.
struct Package
{
    const char* atc;
    const char* molecola;
    const char* form;      // strength and package, appended to the molecule
    int priceCents;        // purchase price
    int dddTenths;         // defined daily doses in one package, in tenths
};

struct ErrorCode
{
    int code;
    const char* descrizione;
    const char* soggetto;
    const char* tipoAddebito;
};

struct Town
{
    const char* name;
    const char* cadastralCode; // for fiscal codes
    const char* district;
    int weight;                // share of the province's pharmacies
};

struct Province
{
    const char* prov;
    const char* regione;
    const char* asp;
    std::span<const Town> towns;
};

std::span<const AtcGroup> atcGroups();
const AtcGroup* atcGroupFor(const char* atc);
std::span<const Package> packages();
std::span<const ErrorCode> errorCodes();

std::span<const Province> provinces();

std::span<const char* const> surnames();
std::span<const char* const> maleNames();
std::span<const char* const> femaleNames();
// Birth places outside the two provinces (name unused, code only).
std::span<const Town> otherBirthPlaces();

// Parts the pharmacy business names are made of.
std::span<const char* const> pharmacySaints();
std::span<const char* const> pharmacyPlaces();
std::span<const char* const> companySuffixes();

} // namespace Catalog

} // namespace Demo
