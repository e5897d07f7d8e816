// The fixed corpus of the benchmarks: names as a mail system sees them.
// Changing it changes the figures in the README; add, don't edit.
#pragma once

namespace hvcn::bench {

// Typed names under "%(CANON)%(EFA)%(X400)" (for hvcnParseName).
inline constexpr const char* kTypedNames[] = {
    "Smith, John (ext-42) /o=Org/c=US",
    "Smith, John",
    "Smith, J.R. Jr.",
    "Lee, Ann /Sales/o=Example/c=GB/a=ADMD/p=PRMD",
    "Rossi, Maria /Vendite,Milano/o=Esempio/c=IT",
    "M\xc3\xbcller, J\xc3\xbcrgen /o=Firma/c=DE/a=Viaero",
    "Dupont, Jean-Pierre /o=Societe/c=FR/dd.phone=1234",
    "Garcia Lopez, Ana B. /IT/o=Empresa/c=ES/p=Corp",
};

// Single typed names, short to long, each timed on its own.
inline constexpr const char* kSingleNames[] = {
    "Lee, Ann",
    "Smith, J.",
    "Smith, John (ext-42) /o=Org/c=US",
    "Rossi, Maria /Vendite,Milano/o=Esempio/c=IT",
    "Lee, Ann /Sales/o=Example/c=GB/a=ADMD/p=PRMD",
    "Doe, Jane A. Jr. /Sales,Dev/o=Acme/c=US/a=ADMD",
};

// Names in internal type 3 (item name GS value, items separated by RS);
// the type 1 and type 2 forms are made from them by the library.
inline constexpr const char* kInternalNames[] = {
    "1\x1dSmith\x1e" "2\x1dJohn\x1e" "9\x1dOrg\x1e" "10\x1dUS",
    "1\x1dLee\x1e" "2\x1d" "Ann\x1e" "5\x1dSales\x1e" "9\x1d" "Example\x1e" "10\x1dGB\x1e" "11\x1d" "ADMD\x1e" "12\x1dPRMD",
    "1\x1dRossi\x1e" "2\x1dMaria\x1e" "5\x1dVendite\x1e" "6\x1dMilano\x1e" "9\x1d" "Esempio\x1e" "10\x1dIT",
    "51\x1dM\xc3\xbcller\x1e" "52\x1dJ\xc3\xbcrgen\x1e" "9\x1d" "Firma\x1e" "10\x1d" "DE\x1e" "11\x1dViaero",
    "1\x1d" "Dupont\x1e" "2\x1dJean-Pierre\x1e" "9\x1dSociete\x1e" "10\x1d" "FR\x1e" "16\x1dphone\x1e" "17\x1d" "1234",
    "1\x1dGarcia Lopez\x1e" "2\x1d" "Ana\x1e" "3\x1d" "B\x1e" "5\x1dIT\x1e" "9\x1d" "Empresa\x1e" "10\x1d" "ES\x1e" "12\x1d" "Corp",
    "16\x1dRFC-822\x1e" "17\x1d" "ann.lee@example.com\x1e" "10\x1dUS\x1e" "11\x1d" "ADMD",
    "1\x1dSmith\x1e" "3\x1dJR\x1e" "4\x1dJr\x1e" "24\x1dJohn Smith\x1e" "9\x1dOrg\x1e" "10\x1dUS",
};

// Internet names, typed.
inline constexpr const char* kInternetNames[] = {
    "a@b",
    "john.smith@example.com",
    "John Smith <john.smith@example.com>",
    "\"Lee, Ann\" <ann.lee@mail.example.org>",
    "user.name+tag@sub.domain.example",
    "Ann <@relay1.example,@relay2.example:ann@example.org>",
    "ann (Sales) @ example . org",
    "ops@[192.168.0.1]",
};

// O/R addresses in the standard forms (hvcnParseORAddress, auto form).
inline constexpr const char* kORAddresses[] = {
    "/G=John/S=Smith/O=Acme/PRMD=Acme/ADMD=ATTMAIL/C=US/",
    "G=john; S=smith; O=a bank ltd; P=abl; A=snomail; C=aq",
    "/C=GB/A=BT/P=ACME/O=Acme/OU1=Sales/S=Smith/G=John/",
    "/c=US/a=TELENET/p=ABC/o=P$/Q/g=JOHN/s=STEEL",
    "C=it;A=garr;P=Trieste;O=Elettra;S=Allocchio;G=Claudio;",
    "/G=Ann/I=B/S=Lee/GQ=Jr/OU1=Sales/OU2=North/O=Example/PRMD=Corp/ADMD= /C=GB/",
};

// The binary O/R address's typical address: a personal name, the
// organisation, two units, PRMD, ADMD and country (DER written from it).
inline constexpr const char* kTypicalORAddress = "/G=John/S=Smith/O=Acme/OU1=Sales/OU2=North/PRMD=Acme/ADMD=ATTMAIL/C=US/";

// The RFC 822 mapping: a table and addresses it maps, or the gateway does.
inline constexpr const char* kORTable =
    "acme.example.com # PRMD=Acme$ADMD=ATTMAIL$C=US #\n"
    "bt.example.co.uk # C=GB$ADMD=BT$PRMD=ACME #\n"
    "example.net # /ADMD=TELEMAIL/C=US/ #\n";
inline constexpr const char* kORGateway = "x400.example.com";
inline constexpr const char* kRFC822Addresses[] = {
    "John.Smith@Sales.acme.example.com",
    "/G=John/S=Smith/GQ=Jr/@acme.example.com",
    "\"/G=John/S=Smith/O=Acme/PRMD=Acme/ADMD=ATTMAIL/C=US/\"@x400.example.com",
    "John.Smith@Acme.bt.example.co.uk",
};

// Attribute values and the IDs they are checked against.
struct CheckedValue {
  const char* value;
  int id;
};
inline constexpr CheckedValue kValues[] = {
    {"Smith", 1},         {"John", 2},        {"J.R", 3},           {"Jr", 4},
    {"Sales", 5},         {"Example Org", 9}, {"GB", 10},           {"826", 10},
    {"ADMD", 11},         {"123456789", 13},  {"M\xc3\xbcller", 51}, {"phone", 16},
    {"+44 20 1234", 17},  {"John Smith", 24}, {"256", 29},          {"Line 1\x18Line 2", 41},
};

}  // namespace hvcn::bench
