#include "attributes.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "cli.h"

#include "hvcn.h"

namespace cli {
namespace {

constexpr AttributeName kAttributes[] = {
    {hvcnATT_SURNAME, "surname", "s"},
    {hvcnATT_GIVEN_NAME, "given-name", "g"},
    {hvcnATT_INITIALS, "initials", "i"},
    {hvcnATT_GENERATION, "generation", "q"},
    {hvcnATT_OU1, "ou1", "o1"},
    {hvcnATT_OU2, "ou2", "o2"},
    {hvcnATT_OU3, "ou3", "o3"},
    {hvcnATT_OU4, "ou4", "o4"},
    {hvcnATT_ORGANIZATION, "organization", "o"},
    {hvcnATT_COUNTRY, "country", "c"},
    {hvcnATT_ADMD, "admd", "a"},
    {hvcnATT_PRMD, "prmd", "p"},
    {hvcnATT_X121, "x121", "x.121"},
    {hvcnATT_NUMERIC_ID, "numeric-id", "n-id"},
    {hvcnATT_TERMINAL_ID, "terminal-id", "t"},
    {hvcnATT_DDAT1, "ddat1", "dd."},
    {hvcnATT_DDAV1, "ddav1", ""},
    {hvcnATT_DDAT2, "ddat2", "dd."},
    {hvcnATT_DDAV2, "ddav2", ""},
    {hvcnATT_DDAT3, "ddat3", "dd."},
    {hvcnATT_DDAV3, "ddav3", ""},
    {hvcnATT_DDAT4, "ddat4", "dd."},
    {hvcnATT_DDAV4, "ddav4", ""},
    {hvcnATT_COMMON_NAME, "common-name", "cn"},
    {hvcnATT_FF, "ff", "ff"},
    {hvcnATT_E163_NUMBER, "e163-number", ""},
    {hvcnATT_E163_SUBADDRESS, "e163-subaddress", ""},
    {hvcnATT_PSAP_ADDRESS, "psap-address", ""},
    {hvcnATT_TERMINAL_TYPE, "terminal-type", ""},
    {hvcnATT_PDS_NAME, "pds-name", ""},
    {hvcnATT_PD_COUNTRY, "pd-country", ""},
    {hvcnATT_POSTAL_CODE, "postal-code", ""},
    {hvcnATT_PD_OFFICE_NAME, "pd-office-name", ""},
    {hvcnATT_PD_OFFICE_NUMBER, "pd-office-number", ""},
    {hvcnATT_PD_PERSONAL_NAME, "pd-personal-name", ""},
    {hvcnATT_PD_ORGANIZATION, "pd-organization", ""},
    {hvcnATT_STREET_ADDRESS, "street-address", ""},
    {hvcnATT_PO_BOX, "po-box", ""},
    {hvcnATT_UNIQUE_POSTAL_NAME, "unique-postal-name", ""},
    {hvcnATT_LOCAL_POSTAL, "local-postal", ""},
    {hvcnATT_UNFORMATTED_POSTAL, "unformatted-postal", ""},
    {hvcnATT_POSTE_RESTANTE, "poste-restante", ""},
    {hvcnATT_EXT_OR_COMPONENTS, "ext-or-components", ""},
    {hvcnATT_EXT_PD_COMPONENTS, "ext-pd-components", ""},
    {hvcnATT_SURNAME_TX, "surname-tx", "s-tx"},
    {hvcnATT_GIVEN_NAME_TX, "given-name-tx", "g-tx"},
    {hvcnATT_INITIALS_TX, "initials-tx", ""},
    {hvcnATT_GENERATION_TX, "generation-tx", ""},
    {hvcnATT_OU1_TX, "ou1-tx", ""},
    {hvcnATT_OU2_TX, "ou2-tx", ""},
    {hvcnATT_OU3_TX, "ou3-tx", ""},
    {hvcnATT_OU4_TX, "ou4-tx", ""},
    {hvcnATT_ORGANIZATION_TX, "organization-tx", ""},
    {hvcnATT_DDAT1_TX, "ddat1-tx", ""},
    {hvcnATT_DDAV1_TX, "ddav1-tx", ""},
    {hvcnATT_DDAT2_TX, "ddat2-tx", ""},
    {hvcnATT_DDAV2_TX, "ddav2-tx", ""},
    {hvcnATT_DDAT3_TX, "ddat3-tx", ""},
    {hvcnATT_DDAV3_TX, "ddav3-tx", ""},
    {hvcnATT_DDAT4_TX, "ddat4-tx", ""},
    {hvcnATT_DDAV4_TX, "ddav4-tx", ""},
    {hvcnATT_COMMON_NAME_TX, "common-name-tx", ""},
    {hvcnATT_PD_OFFICE_NAME_TX, "pd-office-name-tx", ""},
    {hvcnATT_PD_OFFICE_NUMBER_TX, "pd-office-number-tx", ""},
    {hvcnATT_PD_PERSONAL_NAME_TX, "pd-personal-name-tx", ""},
    {hvcnATT_PD_ORGANIZATION_TX, "pd-organization-tx", ""},
    {hvcnATT_UNFORMATTED_POSTAL_TX, "unformatted-postal-tx", ""},
    {hvcnATT_STREET_ADDRESS_TX, "street-address-tx", ""},
    {hvcnATT_PO_BOX_TX, "po-box-tx", ""},
    {hvcnATT_UNIQUE_POSTAL_NAME_TX, "unique-postal-name-tx", ""},
    {hvcnATT_LOCAL_POSTAL_TX, "local-postal-tx", ""},
    {hvcnATT_POSTE_RESTANTE_TX, "poste-restante-tx", ""},
    {hvcnATT_EXT_OR_COMPONENTS_TX, "ext-or-components-tx", ""},
    {hvcnATT_EXT_PD_COMPONENTS_TX, "ext-pd-components-tx", ""},
};

bool EqualNoCase(const std::string& a, const char* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return i == a.size() && b[i] == '\0';
}

}  // namespace

const AttributeName* AttributeById(int32_t id) {
  for (const auto& a : kAttributes)
    if (a.id == id) return &a;
  return nullptr;
}

int32_t AttributeIdFromText(const std::string& text) {
  if (text.empty()) return 0;
  char* end = nullptr;
  long number = std::strtol(text.c_str(), &end, 10);
  if (*end == '\0') return static_cast<int32_t>(number);
  for (const auto& a : kAttributes)
    if (EqualNoCase(text, a.name) || (*a.tag && EqualNoCase(text, a.tag))) return a.id;
  return 0;
}

std::string DescribeAttribute(int32_t id) {
  if (const AttributeName* a = AttributeById(id)) return std::string(a->name) + " (" + std::to_string(id) + ")";
  return "attribute " + std::to_string(id);
}

std::string DescribeToken(int32_t id) {
  switch (id) {
    case hvcnTOKEN_CANON: return "CANON";
    case hvcnTOKEN_NONCANON: return "NONCANON";
    case hvcnTOKEN_X400: return "X400";
    case hvcnTOKEN_EFA: return "EFA";
    default: break;
  }
  if (id >= hvcnTOKEN_POSITION_FIRST && id <= hvcnTOKEN_POSITION_LAST)
    return "user attribute named by token " + std::to_string(id - hvcnTOKEN_POSITION_FIRST);
  if (id > 0) return DescribeAttribute(id);
  return "unused";
}

std::string AttributesJson(hvcnFormat* format) {
  std::string out = "[";
  for (int slot = 0; slot < hvcnATTRIBUTE_COUNT; ++slot) {
    const hvcnAttribute& record = format->attributes[slot];
    if (record.id == 0 || record.valueLength == hvcnVALUE_ABSENT || record.valueLength == 0) continue;
    char value[1100];
    std::snprintf(value, sizeof value, "%s", record.name);
    if (hvcnGetAttributeValue(format, record.id > 0 ? record.id : 0, value, sizeof value) != hvcnSUCCESS) continue;
    const AttributeName* known = AttributeById(record.id);
    out += out.size() > 1 ? ",{" : "{";
    out += "\"id\":" + std::to_string(record.id) + ",\"name\":";
    AppendJson(out, known ? known->name : record.name);
    out += ",\"tag\":";
    AppendJson(out, known ? known->tag : "");
    out += ",\"teletex\":" + std::string(slot >= 25 && slot <= 42 ? "true" : "false") + ",\"value\":";
    AppendJson(out, value);
    out += "}";
  }
  return out + "]";
}

}  // namespace cli
