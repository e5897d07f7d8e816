/*
 * hvcn.h - public interface of the hvcn address-name library.
 *
 * hvcn reads, checks, writes and converts the recipient names of an X.400
 * mail system: personal names, X.400 parts, foreign addresses carried in the
 * domain-defined attributes, user attributes, and internet mailboxes.
 *
 * Every function returns a status code (hvcnSUCCESS is 0) except
 * hvcnParseInternetName and hvcnIsGSETBInternetName, which answer 1 or 0,
 * and the four class checks (hvcnValidateNString and friends), which return
 * zero or a negated length for an acceptable value and a positive status
 * otherwise. Nothing is reported through a global variable, and no function
 * allocates memory: every buffer belongs to the caller and every size
 * includes the terminating NUL.
 *
 * A typical caller:
 *   1. allocates an hvcnFormat, zero-fills it and calls hvcnParseFormatString
 *      (NULL selects the configured default format string);
 *   2. calls hvcnParseName, asking again with the returned context word for
 *      further readings of an ambiguous personal name;
 *   3. reads the result with hvcnFormatName, hvcnGetAttributeValue or
 *      hvcnTranslateInternalFormat;
 *   4. on failure turns the status into text with hvcnGetErrorText and may
 *      read hvcnFormat.errorDetail.
 *
 * The header compiles as C99 and as C++. On 32-bit Windows the functions use
 * the __stdcall convention and are exported from hvcn.dll under their plain
 * names; elsewhere they use the platform's default convention.
 */
#ifndef HVCN_H
#define HVCN_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#  if defined(HVCN_BUILDING_LIBRARY)
#    define HVCN_API __declspec(dllexport)
#  elif defined(HVCN_STATIC)
#    define HVCN_API
#  else
#    define HVCN_API __declspec(dllimport)
#  endif
#  if defined(_WIN64)
#    define HVCN_CALL
#  else
#    define HVCN_CALL __stdcall
#  endif
#else
#  if defined(__GNUC__) || defined(__clang__)
#    define HVCN_API __attribute__((visibility("default")))
#  else
#    define HVCN_API
#  endif
#  define HVCN_CALL
#endif

#ifdef __cplusplus
#  define HVCN_NOEXCEPT noexcept
extern "C" {
#else
#  define HVCN_NOEXCEPT
#endif

/* ------------------------------------------------------------------------ */
/* Version                                                                  */
/* ------------------------------------------------------------------------ */

/** Version text written by hvcnVersion and shown in the trace banner. */
#define hvcnVERSION_TEXT "X.05.20.01"
/** Interface number stored by hvcnVersion. */
#define hvcnINTERFACE_NUMBER 104

/* ------------------------------------------------------------------------ */
/* Status codes                                                             */
/* ------------------------------------------------------------------------ */

/** Status codes; hvcnGetErrorText turns each into its localised text. */
enum hvcnStatus {
  hvcnSUCCESS = 0,
  hvcnERR_BUFFER_TOO_SMALL = 1,
  hvcnERR_BAD_FORMAT_STRING = 2,
  hvcnERR_BAD_PARAMETER = 3,
  hvcnERR_NO_FORMAT = 4,
  hvcnERR_TOKEN_NAME_TOO_LONG = 5,
  hvcnERR_TOO_MANY_USER_ATTRIBUTES = 6,
  hvcnERR_BAD_TOKEN_NAME = 7,
  hvcnERR_TOO_MANY_TOKENS = 8,
  hvcnERR_FORMAT_NOT_READY = 9,
  hvcnERR_NOT_INTERNAL_TOKEN = 10,
  hvcnERR_UNKNOWN_ERROR_NUMBER = 11,
  hvcnERR_BAD_VALUE = 12,
  hvcnERR_VALUE_TOO_LONG = 13,
  hvcnERR_NOT_PRINTABLE = 14,
  hvcnERR_NOT_NUMERIC = 15,
  hvcnERR_UNKNOWN_ATTRIBUTE = 16,
  hvcnERR_NAME_TOO_LONG = 17,
  hvcnERR_NAME_DOES_NOT_FIT = 18,
  hvcnERR_NOT_AN_ADDRESS = 19,
  hvcnERR_INTERNAL_DATA = 20,
  hvcnERR_NO_MORE_INTERPRETATIONS = 21,
  hvcnERR_BAD_COUNTRY = 22,
  hvcnERR_TOO_MANY_OUS = 23,
  hvcnERR_UNKNOWN_TAG = 24,
  hvcnERR_DUPLICATE_ATTRIBUTE = 25,
  hvcnERR_TOO_MANY_DDAS = 26,
  hvcnERR_BAD_X400 = 27,
  hvcnERR_BAD_EFA = 28,
  hvcnERR_NO_VALUE = 29,
  hvcnERR_BAD_TERMINAL_TYPE = 30
};

/* ------------------------------------------------------------------------ */
/* Attribute IDs                                                            */
/* ------------------------------------------------------------------------ */

/**
 * Standard attribute IDs. IDs 45 to 50, 69 and 79 are not standard; every
 * other positive number can denote a user attribute.
 */
enum hvcnAttributeId {
  hvcnATT_SURNAME = 1,
  hvcnATT_GIVEN_NAME = 2,
  hvcnATT_INITIALS = 3,
  hvcnATT_GENERATION = 4,
  hvcnATT_OU1 = 5,
  hvcnATT_OU2 = 6,
  hvcnATT_OU3 = 7,
  hvcnATT_OU4 = 8,
  hvcnATT_ORGANIZATION = 9,
  hvcnATT_COUNTRY = 10,
  hvcnATT_ADMD = 11,
  hvcnATT_PRMD = 12,
  hvcnATT_X121 = 13,
  hvcnATT_NUMERIC_ID = 14,
  hvcnATT_TERMINAL_ID = 15,
  hvcnATT_DDAT1 = 16,
  hvcnATT_DDAV1 = 17,
  hvcnATT_DDAT2 = 18,
  hvcnATT_DDAV2 = 19,
  hvcnATT_DDAT3 = 20,
  hvcnATT_DDAV3 = 21,
  hvcnATT_DDAT4 = 22,
  hvcnATT_DDAV4 = 23,
  hvcnATT_COMMON_NAME = 24,
  hvcnATT_FF = 25,
  hvcnATT_E163_NUMBER = 26,
  hvcnATT_E163_SUBADDRESS = 27,
  hvcnATT_PSAP_ADDRESS = 28,
  hvcnATT_TERMINAL_TYPE = 29,
  hvcnATT_PDS_NAME = 30,
  hvcnATT_PD_COUNTRY = 31,
  hvcnATT_POSTAL_CODE = 32,
  hvcnATT_PD_OFFICE_NAME = 33,
  hvcnATT_PD_OFFICE_NUMBER = 34,
  hvcnATT_PD_PERSONAL_NAME = 35,
  hvcnATT_PD_ORGANIZATION = 36,
  hvcnATT_STREET_ADDRESS = 37,
  hvcnATT_PO_BOX = 38,
  hvcnATT_UNIQUE_POSTAL_NAME = 39,
  hvcnATT_LOCAL_POSTAL = 40,
  hvcnATT_UNFORMATTED_POSTAL = 41,
  hvcnATT_POSTE_RESTANTE = 42,
  hvcnATT_EXT_OR_COMPONENTS = 43,
  hvcnATT_EXT_PD_COMPONENTS = 44,
  hvcnATT_SURNAME_TX = 51,
  hvcnATT_GIVEN_NAME_TX = 52,
  hvcnATT_INITIALS_TX = 53,
  hvcnATT_GENERATION_TX = 54,
  hvcnATT_OU1_TX = 55,
  hvcnATT_OU2_TX = 56,
  hvcnATT_OU3_TX = 57,
  hvcnATT_OU4_TX = 58,
  hvcnATT_ORGANIZATION_TX = 59,
  hvcnATT_DDAT1_TX = 60,
  hvcnATT_DDAV1_TX = 61,
  hvcnATT_DDAT2_TX = 62,
  hvcnATT_DDAV2_TX = 63,
  hvcnATT_DDAT3_TX = 64,
  hvcnATT_DDAV3_TX = 65,
  hvcnATT_DDAT4_TX = 66,
  hvcnATT_DDAV4_TX = 67,
  hvcnATT_COMMON_NAME_TX = 68,
  hvcnATT_PD_OFFICE_NAME_TX = 70,
  hvcnATT_PD_OFFICE_NUMBER_TX = 71,
  hvcnATT_PD_PERSONAL_NAME_TX = 72,
  hvcnATT_PD_ORGANIZATION_TX = 73,
  hvcnATT_UNFORMATTED_POSTAL_TX = 74,
  hvcnATT_STREET_ADDRESS_TX = 75,
  hvcnATT_PO_BOX_TX = 76,
  hvcnATT_UNIQUE_POSTAL_NAME_TX = 77,
  hvcnATT_LOCAL_POSTAL_TX = 78,
  hvcnATT_POSTE_RESTANTE_TX = 80,
  hvcnATT_EXT_OR_COMPONENTS_TX = 81,
  hvcnATT_EXT_PD_COMPONENTS_TX = 82
};

/** The highest standard attribute ID: hvcnGetAttributeInfo describes the
 *  standard attributes among 1 to hvcnATTRIBUTE_ID_LAST. */
#define hvcnATTRIBUTE_ID_LAST 82

/** Value-class numbers accepted by hvcnValidateAttribute in place of an ID. */
enum hvcnValueClass {
  hvcnCLASS_PRINTABLE = 5000,
  hvcnCLASS_NUMERIC = 5001,
  hvcnCLASS_STRING = 5002,
  hvcnCLASS_TELETEX_OR_PRINTABLE = 5003
};

/** hvcnAttributeInfo.valueClass of the attributes whose check is none of
 *  the four classes (hvcnValidateAttribute does not take these numbers). */
#define hvcnCHECK_NONE 0             /* every value is refused (PSAP address)   */
#define hvcnCHECK_COUNTRY 5100       /* two letters or three digits             */
#define hvcnCHECK_TERMINAL_TYPE 5101 /* up to three digits, below 257           */
#define hvcnCHECK_POSTAL_LINES 5102  /* lines split by 0x18, each printable 30  */

/** hvcnAttributeInfo.flags: a String value holding a byte above 0x7F is
 *  refused (the domain-defined values). */
#define hvcnAINFO_ASCII_ONLY 0x0001u
/** hvcnAttributeInfo.flags: the attribute holds teletex text (a teletex
 *  variant; ff is its own). */
#define hvcnAINFO_TELETEX 0x0002u
/** hvcnAttributeInfo.flags: a part of the personal name (surname, given
 *  name, initials, generation qualifier: hvcnATT_SURNAME to
 *  hvcnATT_GENERATION) or the teletex variant of one (its twinId names the
 *  part). */
#define hvcnAINFO_PERSONAL 0x0004u
/** hvcnAttributeInfo.flags: the type of a domain-defined attribute; its
 *  value is the attribute of the next ID (hvcnAINFO_DDA_VALUE), and the two
 *  are written as one pair ("dd.type=value"). */
#define hvcnAINFO_DDA_TYPE 0x0008u
/** hvcnAttributeInfo.flags: the value of a domain-defined attribute; its
 *  type is the attribute of the ID before. */
#define hvcnAINFO_DDA_VALUE 0x0010u

/** What the library knows of one standard attribute (hvcnGetAttributeInfo). */
typedef struct hvcnAttributeInfo {
  int32_t id;          /* the attribute ID                                     */
  int32_t valueClass;  /* hvcnCLASS_* or hvcnCHECK_*: hvcnValidateAttribute's check */
  int32_t maxLength;   /* its default maximum; 0 where the check has its own  */
  int32_t twinId;      /* teletex twin: a variant's base, a base's variant; 0 */
  uint32_t flags;      /* hvcnAINFO_*                                          */
  char name[32];       /* "surname", "given-name", "ddav1-tx" (the hvcn tool)  */
  char tag[12];        /* X.400 tag now in force ("s", "dd."); "" when none    */
  char label[16];      /* standard O/R address label ("S", "OU1", "ADMD")      */
  char shortLabel[8];  /* the short label where it differs ("A"); else ""      */
} hvcnAttributeInfo;

/* ------------------------------------------------------------------------ */
/* Token IDs                                                                */
/* ------------------------------------------------------------------------ */

/**
 * Token IDs of a parsed format string. A positive token ID is an attribute
 * ID or a user attribute number; -99 to -90 name the user attribute that
 * format-string token 0 to 9 introduced by name.
 */
enum hvcnTokenId {
  hvcnTOKEN_CANON = -2,     /* %(CANON) or %(NAME): surname first     */
  hvcnTOKEN_NONCANON = -3,  /* %(NONCANON): natural order             */
  hvcnTOKEN_X400 = -4,      /* %(X400): tag=value components          */
  hvcnTOKEN_EFA = -5,       /* %(EFA): foreign address                */
  hvcnTOKEN_POSITION_FIRST = -99,
  hvcnTOKEN_POSITION_LAST = -90
};

/** hvcnToken.tokenFlags: the name ended inside this token's text. */
#define hvcnTOK_OPEN_ENDED 0x0001u
/** hvcnToken.tokenFlags: last token of the format string. */
#define hvcnTOK_LAST 0x0002u

/** hvcnToken.slot of the section tokens (CANON, NONCANON, X400, EFA). */
#define hvcnSLOT_SECTION 0xFFFFu

/* ------------------------------------------------------------------------ */
/* Attribute value states                                                   */
/* ------------------------------------------------------------------------ */

/** hvcnAttribute.valueLength of an attribute without a value. */
#define hvcnVALUE_ABSENT 0xFFFEu
/** hvcnAttribute.valueLength of a foreign-address marker ("RFC-822"). */
#define hvcnVALUE_FOREIGN 0xFFFFu

/* ------------------------------------------------------------------------ */
/* Format flags (hvcnFormat.flags)                                          */
/* ------------------------------------------------------------------------ */

#define hvcnFMT_READY 0x0001u          /* a format string was parsed       */
#define hvcnFMT_7BIT_ONLY 0x0002u      /* teletex values are refused       */
#define hvcnFMT_NAME_HELD 0x0004u      /* the format holds a name          */
#define hvcnFMT_RS_USER_ONLY 0x0010u   /* RS list in the user-only form    */
#define hvcnFMT_COMPLEX 0x0020u        /* X400 may be followed directly    */
#define hvcnFMT_NAME_COMPLETE 0x0040u  /* the held name is complete        */
#define hvcnFMT_NO_RECONFIG 0x0080u    /* reconfigured list not applied    */
#define hvcnFMT_OU_TAGS 0x0100u        /* X.400 output tags the OUs        */
#define hvcnFMT_X400_PERSONAL 0x0200u  /* X.400 output has personal parts  */
#define hvcnFMT_PREFER_TELETEX 0x0400u /* values go to the teletex twins   */
#define hvcnFMT_NO_FOREIGN 0x0800u     /* no foreign address is written    */
#define hvcnFMT_DIRECTORY_NAME 0x1000u /* the ORName decoded held a directory name (skipped) */

/* ------------------------------------------------------------------------ */
/* Caller flags                                                             */
/* ------------------------------------------------------------------------ */

/** hvcnParseName: work on the held name without clearing its values: with a
 *  context word of 0, only the internal output again. A re-run with a
 *  non-zero word meets the values of the call before (a foreign address or a
 *  filled reconfigured slot gives hvcnERR_DUPLICATE_ATTRIBUTE); ask for the
 *  next reading with a fresh parse instead. */
#define hvcnPARSE_REINTERPRET 0x01u
/** hvcnParseName: the name is complete (trailing blanks are cut). */
#define hvcnPARSE_COMPLETE 0x08u
/** hvcnParseName: store values in their teletex twins. */
#define hvcnPARSE_PREFER_TELETEX 0x10u

/** The context-word bits that hvcnParseName can leave set. */
#define hvcnPARSE_CONTEXT_MASK 0x337FF0u

/** hvcnFormatName: build the text from the values even for a typed name. */
#define hvcnFN_REFORMAT 0x0002u
/** hvcnFormatName: escape the characters of the escape list. */
#define hvcnFN_ESCAPE 0x0004u

/** hvcnTranslateInternalFormat: translate the held name (needs a held name). */
#define hvcnTIF_HELD_NAME 0x01u
/** hvcnTranslateInternalFormat: never hand back the source text unchanged. */
#define hvcnTIF_ALWAYS_ENCODE 0x02u
/** hvcnTranslateInternalFormat: type 3 output leaves out empty values. */
#define hvcnTIF_SKIP_EMPTY 0x20u

/* ------------------------------------------------------------------------ */
/* Internal name types                                                      */
/* ------------------------------------------------------------------------ */

enum hvcnInternalType {
  hvcnINTERNAL_NONE = 0,
  hvcnINTERNAL_GS = 1,    /* 25 positional fields separated by GS          */
  hvcnINTERNAL_GSETB = 2, /* 5 groups separated by ETB, fields by GS       */
  hvcnINTERNAL_GSRS = 3   /* items name GS value, separated by RS          */
};

/** hvcnFormat.nameType of a name read from a standard O/R address form
 *  (hvcnParseORAddress, hvcnRFC822ToORAddress). Its values are held exactly
 *  as they are to be written, as after a decode; being no internal type, it
 *  never makes hvcnTranslateInternalFormat hand the held text back. */
#define hvcnNAME_OR_ADDRESS 4

/** Control characters of the internal forms. */
#define hvcnCHAR_ETB '\x17'
#define hvcnCHAR_SUB '\x1A'
#define hvcnCHAR_GS '\x1D'
#define hvcnCHAR_RS '\x1E'
#define hvcnCHAR_US '\x1F'

/* ------------------------------------------------------------------------ */
/* Standard O/R address forms                                               */
/* ------------------------------------------------------------------------ */

/** hvcnParseORAddress: the form of the text. */
#define hvcnOR_FROM_AUTO 0x00u   /* a text starting with "/": the RFC 2156 form; else the ";" form */
#define hvcnOR_FROM_ANNEXF 0x01u /* F.401 Annex F / RFC 1685: G=John;S=Smith;O=Acme;C=US          */
#define hvcnOR_FROM_STDOR 0x02u  /* RFC 2156 std-or-address: /G=John/S=Smith/O=Acme/C=US/         */

/** hvcnFormatORAddress, hvcnORAddressToRFC822: how the address is written. */
#define hvcnOR_ANNEXF 0x01u            /* the ";" form (default: the RFC 2156 "/" form)      */
#define hvcnOR_LONG_LABELS 0x02u       /* ADMD, PRMD, GQ, UA-ID in the ";" form too          */
#define hvcnOR_SHORT_LABELS 0x04u      /* A, P, Q, N-ID in the "/" form too                  */
#define hvcnOR_TELETEX_ESCAPES 0x08u   /* "/" form: teletex bytes above 0x7F as {ddd}       */
#define hvcnOR_NO_PERSONAL_LOCAL 0x10u /* never a personal name alone as the local part     */
#define hvcnOR_IMCEA 0x20u             /* through the gateway as IMCEAX400-<";" form>@gateway */

/* ------------------------------------------------------------------------ */
/* The binary O/R address (BER/DER)                                         */
/* ------------------------------------------------------------------------ */

/** hvcnDecodeORAddress, and *extension on entry to hvcnGetCertificateORAddress. */
#define hvcnBER_DER_ONLY 0x01u       /* refuse what DER forbids: indefinite or overlong lengths, constructed strings, SET members out of order */
#define hvcnBER_TELETEX_LATIN1 0x02u /* TeletexString holds Latin-1 (as many certificate writers put it), not T.61 */
/** hvcnEncodeORAddress: what is written (default: an ORAddress, 0x30). */
#define hvcnBER_ORNAME 0x10u         /* an ORName, [APPLICATION 0] (0x60), without a directory name */
#define hvcnBER_X400ADDRESS 0x20u    /* the x400Address GeneralName of X.509, [3] (0xA3)            */

/** *extension after hvcnGetCertificateORAddress: where the address stands. */
#define hvcnCERT_SUBJECT_ALT_NAME 1  /* the subjectAltName extension, 2.5.29.17 */
#define hvcnCERT_ISSUER_ALT_NAME 2   /* the issuerAltName extension, 2.5.29.18  */

/** Mapping tables (hvcnParseORTable): a table takes at most
 *  hvcnOR_TABLE_HEADER_SIZE + rows * hvcnOR_TABLE_ROW_SIZE + strlen(text) + 1
 *  bytes of the caller's memory (any alignment). */
#define hvcnOR_TABLE_HEADER_SIZE 16u
#define hvcnOR_TABLE_ROW_SIZE 80u

/* ------------------------------------------------------------------------ */
/* AMHS addresses                                                           */
/* ------------------------------------------------------------------------ */

/** How an address was converted: *scheme of hvcnAFTNToORAddress, the low
 *  bits (hvcnAMHS_SCHEME_MASK) of *result of hvcnORAddressToAFTN. */
#define hvcnAMHS_XF 1u   /* XF: /C=XX/ADMD=ICAO/PRMD=p/O=AFTN/OU1=<AF-Address>/           */
#define hvcnAMHS_CAAS 2u /* CAAS: /C=XX/ADMD=ICAO/PRMD=p/O=o/OU1=<LLLL>/CN=<AF-Address>/ */
#define hvcnAMHS_USER 3u /* a USER row of the tables                                      */
#define hvcnAMHS_SCHEME_MASK 0x0Fu
/** hvcnORAddressToAFTN *result: the AF-Address converts back (as
 *  hvcnAFTNToORAddress converts it) to another O/R address, or to none. The
 *  AF-Address stands: log the difference. */
#define hvcnAMHS_INCONSISTENT 0x10u
/** hvcnORAddressToAFTN *result: the AF-Address converts back to no O/R
 *  address at all (hvcnAMHS_INCONSISTENT is set too). */
#define hvcnAMHS_NO_REVERSE 0x20u
/** hvcnORAddressToAFTN, *result on entry: the address is an originator's
 *  (a failure then names the originator's non-delivery diagnostic). */
#define hvcnAMHS_ORIGINATOR 0x100u
/** hvcnORAddressToAFTN, *result on entry: on success the held name becomes
 *  the reverse conversion, the O/R address hvcnAFTNToORAddress gives for
 *  the AF-Address (no name is held when there is none). */
#define hvcnAMHS_KEEP_REVERSE 0x200u

/** AMHS tables (hvcnParseAMHSTables): the tables take at most
 *  hvcnAMHS_TABLE_HEADER_SIZE + rows * hvcnAMHS_TABLE_ROW_SIZE
 *  + 2 * strlen(text) + 1 bytes of the caller's memory (any alignment). */
#define hvcnAMHS_TABLE_HEADER_SIZE 21724u
#define hvcnAMHS_TABLE_ROW_SIZE 44u

/* ------------------------------------------------------------------------ */
/* Pasted text: the kinds of address                                        */
/* ------------------------------------------------------------------------ */

/** The kinds of address hvcnClassifyAddress tells apart (hvcnReadAddress
 *  reads each with its own reader). The list grows: a kind without a reader
 *  in this library is never given. */
enum hvcnAddressKind {
  hvcnKIND_NONE = 0,           /* no address: the reason is in errorDetail      */
  hvcnKIND_TYPED = 1,          /* a typed name (hvcnParseName, under the format) */
  hvcnKIND_MAILBOX = 2,        /* an internet mailbox (hvcnParseInternetName)   */
  hvcnKIND_RFC822 = 3,         /* an O/R address through an RFC 822 gateway     */
  hvcnKIND_ANNEXF = 4,         /* the ";" form: G=John;S=Smith;C=US             */
  hvcnKIND_STDOR = 5,          /* the "/" form: /G=John/S=Smith/C=US/           */
  hvcnKIND_EXCHANGE = 6,       /* an Exchange one-off or proxy: [X400:...]     */
  hvcnKIND_IMCEA = 7,          /* IMCEAX400-...@domain                         */
  hvcnKIND_DIRECTORY_NAME = 8, /* an X.500 directory name (not an O/R address) */
  hvcnKIND_DER_HEX = 9,        /* reserved: an O/R address in BER/DER, in hex  */
  hvcnKIND_AFTN = 10           /* reserved: an AFTN address                    */
};

/** hvcnClassifyAddress, hvcnReadAddress: a typed name holding what no
 *  personal name holds ('@', '<', '>', label=) is no address. */
#define hvcnREAD_STRICT 0x01u

/* ------------------------------------------------------------------------ */
/* Format information data types (hvcnGetFormatInfo, hvcnSetFormatInfo)     */
/* ------------------------------------------------------------------------ */

enum hvcnInfoType {
  hvcnINFO_OUTPUT_TOKENS = 1,   /* int32_t[], ends with 0                 */
  hvcnINFO_RECONFIGURED = 2,    /* text "s,g,i,q" of attribute designators */
  hvcnINFO_X400_MASK = 3,       /* int32_t, 1 to 43                        */
  hvcnINFO_SLASH_CHAR = 4,      /* char                                    */
  hvcnINFO_COMMA_CHAR = 5,      /* char                                    */
  hvcnINFO_WILDCARD_CHAR = 6,   /* char (process-wide)                     */
  hvcnINFO_ESCAPE_LIST = 7,     /* text of at most 15 characters           */
  hvcnINFO_7BIT_ONLY = 8,       /* uint32_t, 0 or 1: hvcnFMT_7BIT_ONLY     */
  hvcnINFO_RS_USER_ONLY = 9,    /* uint32_t: hvcnFMT_RS_USER_ONLY          */
  hvcnINFO_COMPLEX = 10,        /* uint32_t: hvcnFMT_COMPLEX               */
  hvcnINFO_NO_RECONFIG = 11,    /* uint32_t: hvcnFMT_NO_RECONFIG           */
  hvcnINFO_OU_TAGS = 12,        /* uint32_t: hvcnFMT_OU_TAGS               */
  hvcnINFO_X400_PERSONAL = 13,  /* uint32_t: hvcnFMT_X400_PERSONAL         */
  hvcnINFO_PREFER_TELETEX = 14, /* uint32_t: hvcnFMT_PREFER_TELETEX        */
  hvcnINFO_TAG_NAME = 16,       /* set only: hvcnTagNameInfo (process-wide) */
  hvcnINFO_NO_FOREIGN = 17      /* uint32_t: hvcnFMT_NO_FOREIGN            */
};

/** Record of format information type 16: a new X.400 tag name. */
typedef struct hvcnTagNameInfo {
  uint32_t attributeId; /* 1 to 25; of the DDAs only hvcnATT_DDAT1         */
  const char* name;     /* at most 10 characters; the DDA tag ends in '.'  */
} hvcnTagNameInfo;

/* ------------------------------------------------------------------------ */
/* Structures                                                               */
/* ------------------------------------------------------------------------ */

/** One attribute record: a value located in hvcnFormat.nameBuffer. */
typedef struct hvcnAttribute {
  uint32_t valueOffset; /* offset of the value in nameBuffer               */
  uint32_t valueLength; /* bytes; hvcnVALUE_ABSENT, hvcnVALUE_FOREIGN       */
  int32_t id;           /* attribute ID; user number; -1 named; 0 free     */
  char name[28];        /* ID as decimal text, or the user attribute name  */
} hvcnAttribute;

/** One token of a parsed format string. */
typedef struct hvcnToken {
  const char* name;     /* token name inside formatString (after "%(")     */
  uint32_t valueOffset; /* this token's text in nameBuffer                 */
  uint32_t valueLength; /* its length; hvcnVALUE_ABSENT when none          */
  uint8_t leadSep;      /* 0 none, 1 adjacent, else the character          */
  uint8_t trailSep;     /* 0 end of string, 1 adjacent, else the character */
  int32_t id;           /* token ID (enum hvcnTokenId); 0 = not in use     */
  uint32_t slot;        /* attribute slot, hvcnSLOT_SECTION for sections   */
  uint16_t tokenFlags;  /* hvcnTOK_OPEN_ENDED, hvcnTOK_LAST                */
} hvcnToken;

/** Number of attribute records in a format (74 standard, 64 user). */
#define hvcnATTRIBUTE_COUNT 138
/** Number of token records in a format. */
#define hvcnTOKEN_COUNT 10

/**
 * The caller-allocated format structure. Zero-fill a new one and call
 * hvcnParseFormatString before anything else; after that only errorDetail
 * is for the caller to read. Callers of the 32-bit Windows DLL allocate
 * hvcnFORMAT_SIZE_WIN32 (7444) bytes; elsewhere allocate sizeof(hvcnFormat).
 *
 * Byte offsets of the fields. The 32-bit column holds for every 32-bit
 * target (the 32-bit Windows DLL, i386 Linux), the 64-bit one for 64-bit
 * Windows and Linux; only the pointer in hvcnToken differs.
 *
 *   field              32-bit  64-bit   bytes (32 / 64)
 *   formatString            0       0     257
 *   nameBuffer            257     257    1025
 *   nameType             1284    1284       4
 *   tokens               1288    1288     280 / 320  (10 hvcnToken)
 *   outputTokenIds       1568    1608      40
 *   attributes           1608    1648    5520  (138 hvcnAttribute)
 *   reconfigured         7128    7168      16
 *   x400Mask             7144    7184       4
 *   errorDetail          7148    7188     256
 *   flags                7404    7444       2
 *   slashChar            7406    7446       1
 *   commaChar            7407    7447       1
 *   wildcardChar         7408    7448       4
 *   escapeList           7412    7452      16
 *   nameShape            7428    7468       4
 *   reserved             7432    7472      12
 *   sizeof(hvcnFormat)   7444    7488
 *
 *   hvcnToken (28 / 32 bytes): name 0, valueOffset 4 / 8, valueLength
 *   8 / 12, leadSep 12 / 16, trailSep 13 / 17, id 16 / 20, slot 20 / 24,
 *   tokenFlags 24 / 28.
 *   hvcnAttribute (40 bytes on both): valueOffset 0, valueLength 4, id 8,
 *   name 12.
 *   hvcnTagNameInfo (8 / 16 bytes): attributeId 0, name 4 / 8.
 *   hvcnAttributeInfo (88 bytes on both): id 0, valueClass 4, maxLength 8,
 *   twinId 12, flags 16, name 20, tag 52, label 64, shortLabel 80.
 */
typedef struct hvcnFormat {
  char formatString[257];                     /* the input format string  */
  char nameBuffer[1025];                      /* text of the held name    */
  int32_t nameType;                           /* -1 typed, 1..3 decoded, 4 O/R */
  hvcnToken tokens[hvcnTOKEN_COUNT];          /* parsed input format      */
  int32_t outputTokenIds[hvcnTOKEN_COUNT];    /* output format; 0 = input */
  hvcnAttribute attributes[hvcnATTRIBUTE_COUNT];
  int32_t reconfigured[4];                    /* slots standing for s,g,i,q */
  int32_t x400Mask;                           /* X.400 directory mask     */
  char errorDetail[256];                      /* detail of the last error */
  uint16_t flags;                             /* hvcnFMT_*                */
  char slashChar;                             /* default '/'              */
  char commaChar;                             /* default ','              */
  char wildcardChar[4];                       /* one character, default * */
  char escapeList[16];                        /* characters to escape     */
  int32_t nameShape;                          /* reading the parser chose */
  uint8_t reserved[12];                       /* the library's; 7444 on Win32 */
} hvcnFormat;

/** Size of hvcnFormat in the 32-bit Windows DLL. */
#define hvcnFORMAT_SIZE_WIN32 7444

/* ------------------------------------------------------------------------ */
/* Exported functions                                                       */
/* ------------------------------------------------------------------------ */

/* Status texts and version ------------------------------------------------ */

/** Writes the localised text of a status code (truncated to size - 1).
 *  Codes without a text give hvcnERR_UNKNOWN_ERROR_NUMBER and the general
 *  text with the number in it. */
HVCN_API int32_t HVCN_CALL hvcnGetErrorText(int32_t code, char* buffer,
                                            uint32_t size) HVCN_NOEXCEPT;

/** Writes "X.05.20.01" (when buffer is not NULL) and stores 104 in
 *  *interfaceNumber (when not NULL). Always returns 0. */
HVCN_API int32_t HVCN_CALL hvcnVersion(char* buffer, uint32_t size,
                                       uint16_t* interfaceNumber) HVCN_NOEXCEPT;

/** Which language resource library serves the texts, as chosen at load.
 *  names receives the file names tried, in order and as the platform has
 *  them ("tarnresIT.so:tarnres.so", "tarnres.dll"), joined by ':'; the last
 *  is the one loaded when the call succeeds. folder receives the folder
 *  they were looked for in, with its final separator. Either buffer may be
 *  NULL with size 0 when not wanted. Returns hvcnSUCCESS when a resource
 *  library was loaded, hvcnERR_NO_VALUE when none was (the library's own
 *  Italian texts answer then), hvcnERR_BUFFER_TOO_SMALL when a text was cut
 *  to fit, hvcnERR_BAD_PARAMETER for a NULL buffer with a size or a buffer
 *  of size 0. */
HVCN_API int32_t HVCN_CALL hvcnGetResourceLibrary(char* names, uint32_t namesSize,
                                                  char* folder,
                                                  uint32_t folderSize) HVCN_NOEXCEPT;

/* Value checks ----------------------------------------------------------- */

/** Checks a value against an attribute ID (or a class number 5000-5003);
 *  maxLength 0 takes the attribute's default limit. */
HVCN_API int32_t HVCN_CALL hvcnValidateAttribute(const char* value,
                                                 int32_t maxLength,
                                                 int32_t attributeId) HVCN_NOEXCEPT;

/** Class checks: 0 or -length when acceptable, a positive status otherwise.
 *  A maxLength below 1 means 1024. A value of more than INT32_MAX bytes is
 *  too long (hvcnERR_VALUE_TOO_LONG) whatever the maximum. */
HVCN_API int32_t HVCN_CALL hvcnValidateNString(const char* value,
                                               int32_t maxLength) HVCN_NOEXCEPT;
HVCN_API int32_t HVCN_CALL hvcnValidatePString(const char* value,
                                               int32_t maxLength) HVCN_NOEXCEPT;
HVCN_API int32_t HVCN_CALL hvcnValidateString(const char* value,
                                              int32_t maxLength,
                                              int32_t* nonAscii) HVCN_NOEXCEPT;
HVCN_API int32_t HVCN_CALL hvcnValidateTeletexOrPString(const char* value,
                                                        int32_t maxLength,
                                                        int32_t* needsTeletex) HVCN_NOEXCEPT;

/** Describes a standard attribute (IDs 1 to 82, without 45-50, 69, 79):
 *  its name, current X.400 tag, check, default maximum, teletex twin and
 *  standard O/R address labels. size is sizeof(hvcnAttributeInfo); a smaller
 *  size gives hvcnERR_BUFFER_TOO_SMALL, an ID that names no standard
 *  attribute hvcnERR_UNKNOWN_ATTRIBUTE; nothing is written then. */
HVCN_API int32_t HVCN_CALL hvcnGetAttributeInfo(int32_t attributeId,
                                                hvcnAttributeInfo* info,
                                                uint32_t size) HVCN_NOEXCEPT;

/* Format strings and settings ------------------------------------------------ */

/** Initialises the format, applies the configured defaults and parses the
 *  format string (NULL or "" selects the configured default). */
HVCN_API int32_t HVCN_CALL hvcnParseFormatString(const char* formatString,
                                                 hvcnFormat* format) HVCN_NOEXCEPT;

/** Replaces the input format string of a ready format, keeping its settings. */
HVCN_API int32_t HVCN_CALL hvcnChangeInputFormat(const char* formatString,
                                                 hvcnFormat* format) HVCN_NOEXCEPT;

/** Sets the output token list of a ready format from a format string. */
HVCN_API int32_t HVCN_CALL hvcnChangeOutputFormat(const char* formatString,
                                                  hvcnFormat* format) HVCN_NOEXCEPT;

/** Reads one setting (enum hvcnInfoType) into data, at most size bytes. */
HVCN_API int32_t HVCN_CALL hvcnGetFormatInfo(hvcnFormat* format, void* data,
                                             uint16_t size, uint16_t type) HVCN_NOEXCEPT;

/** Changes one setting (enum hvcnInfoType) from data. */
HVCN_API int32_t HVCN_CALL hvcnSetFormatInfo(hvcnFormat* format, const void* data,
                                             uint16_t type) HVCN_NOEXCEPT;

/* Names ------------------------------------------------------------------ */

/** Parses a typed name under the format's input format. internalType 1-3
 *  also writes the name into buffer in that internal form. *context (may be
 *  NULL) starts at 0. After success its set bits name readings not yet
 *  tried, so a non-zero value means further readings MAY exist: parse the
 *  same name again (without hvcnPARSE_REINTERPRET) passing the word to get
 *  the next one; that call returns hvcnERR_NO_MORE_INTERPRETATIONS when none
 *  of the untried readings fits. A word of 0 after success means no other
 *  reading exists. flags: hvcnPARSE_*. */
HVCN_API int32_t HVCN_CALL hvcnParseName(const char* name, hvcnFormat* format,
                                         int32_t internalType, char* buffer,
                                         uint32_t bufferSize, uint32_t* context,
                                         uint32_t flags) HVCN_NOEXCEPT;

/** Writes the held name as text under the output format. flags: hvcnFN_*. */
HVCN_API int32_t HVCN_CALL hvcnFormatName(hvcnFormat* format, char* name,
                                          uint32_t size, uint16_t flags) HVCN_NOEXCEPT;

/** Decodes source (of sourceType, or the held name when 0) and writes it in
 *  destType (0 = only decode). flags: hvcnTIF_*. */
HVCN_API int32_t HVCN_CALL hvcnTranslateInternalFormat(hvcnFormat* format,
                                                       int32_t sourceType,
                                                       const char* source,
                                                       int32_t destType, char* dest,
                                                       uint32_t destSize,
                                                       uint32_t flags) HVCN_NOEXCEPT;

/* Texts of any length: the size they need --------------------------------- */

/** hvcnFormatName and hvcnTranslateInternalFormat each have a twin, named
 *  with "Ex", that also tells the size its text needs, as every export that
 *  writes a text of unbounded length does (hvcnFormatORAddress,
 *  hvcnORAddressToRFC822 and the later ones): *needed (may be NULL)
 *  receives the size of buffer the whole text needs, its NUL included, on
 *  success and on hvcnERR_BUFFER_TOO_SMALL alike (0 on any other status;
 *  hvcnFormatName needs a byte more than the text where it writes an X.400
 *  part, for the separator it writes after each item); a buffer NULL
 *  with size 0 is a size query (hvcnERR_BUFFER_TOO_SMALL, nothing
 *  written); a text that does not fit leaves the buffer an empty text.
 *  Everything else is as for the export without "Ex", whose own results
 *  stay as they are: hvcnFormatName leaves the part that fitted (and for a
 *  typed name written as typed, the buffer untouched), and neither tells a
 *  size. */
HVCN_API int32_t HVCN_CALL hvcnFormatNameEx(hvcnFormat* format, char* name, uint32_t size,
                                            uint32_t* needed, uint16_t flags) HVCN_NOEXCEPT;

/** hvcnTranslateInternalFormat with the size of its text (see above; with
 *  destType 0 nothing is written and *needed is 0). The source is decoded
 *  once, also for a size query, so a second call may pass sourceType 0 (or
 *  hvcnTIF_HELD_NAME) to write the held name. */
HVCN_API int32_t HVCN_CALL hvcnTranslateInternalFormatEx(hvcnFormat* format, int32_t sourceType,
                                                         const char* source, int32_t destType,
                                                         char* dest, uint32_t destSize, uint32_t* needed,
                                                         uint32_t flags) HVCN_NOEXCEPT;

/** Copies the held value of one attribute. attributeId 0 looks the user
 *  attribute up by the name found in buffer; -99..-90 by token position. */
HVCN_API int32_t HVCN_CALL hvcnGetAttributeValue(hvcnFormat* format,
                                                 int32_t attributeId, char* buffer,
                                                 uint16_t size) HVCN_NOEXCEPT;

/** Lists the names of the attributes the format covers, separated by RS. */
HVCN_API int32_t HVCN_CALL hvcnGetRSList(hvcnFormat* format, char* buffer,
                                         uint32_t size) HVCN_NOEXCEPT;

/* Internet names ------------------------------------------------------------ */

/** 1 when name is an RFC 822 mailbox; output (at least 2 * strlen(name) + 1
 *  bytes) receives the normalised text. */
HVCN_API uint32_t HVCN_CALL hvcnParseInternetName(const char* name,
                                                  char* output) HVCN_NOEXCEPT;

/** 1 when an internal type 2 name holds an internet address. */
HVCN_API uint32_t HVCN_CALL hvcnIsGSETBInternetName(const char* name) HVCN_NOEXCEPT;

/* Standard O/R address forms ------------------------------------------------ */

/** Reads an O/R address written in a standard form - F.401 Annex F /
 *  RFC 1685 "G=John;S=Smith;O=Acme;C=US" or RFC 2156 "/G=John/S=Smith/C=US/"
 *  (flags: hvcnOR_FROM_*) - into the held name of a ready format, as
 *  hvcnNAME_OR_ADDRESS. Labels in any letter case and any order; every
 *  value passes its attribute's check and teletex-twin choice. An unknown
 *  label gives hvcnERR_UNKNOWN_TAG, a second value for an attribute
 *  hvcnERR_DUPLICATE_ATTRIBUTE, a badly formed item hvcnERR_BAD_X400, a
 *  fifth OU or DDA 23 or 26, a refused value the check's status; errorDetail
 *  then names the label and its column. */
HVCN_API int32_t HVCN_CALL hvcnParseORAddress(const char* text, hvcnFormat* format,
                                              uint32_t flags) HVCN_NOEXCEPT;

/** Writes the held name in a standard form (flags: hvcnOR_ANNEXF, label and
 *  escape choices) into buffer (size includes the NUL). *needed (may be
 *  NULL) receives the size of the whole text with its NUL, on success and
 *  on hvcnERR_BUFFER_TOO_SMALL alike (0 otherwise). A text that does not
 *  fit gives hvcnERR_BUFFER_TOO_SMALL and an empty buffer; buffer NULL with
 *  size 0 is a size query (hvcnERR_BUFFER_TOO_SMALL, nothing written). A
 *  value the form cannot carry (a control character) gives
 *  hvcnERR_BAD_VALUE. */
HVCN_API int32_t HVCN_CALL hvcnFormatORAddress(hvcnFormat* format, char* buffer, uint32_t size,
                                               uint32_t* needed, uint32_t flags) HVCN_NOEXCEPT;

/** Reads an RFC 2156 domain mapping table ("domain#C=US$ADMD=ATT$O=Acme#",
 *  one row a line) into the caller's memory `table` of `size` bytes.
 *  *needed receives the bytes the table takes: with table NULL and size 0,
 *  or a size too small, the status is hvcnERR_BUFFER_TOO_SMALL and nothing
 *  is written. A bad row gives its status and its line number in *line
 *  (may be NULL; 0 when no row is at fault). */
HVCN_API int32_t HVCN_CALL hvcnParseORTable(const char* text, void* table, uint32_t size,
                                            uint32_t* needed, uint32_t* line) HVCN_NOEXCEPT;

/** Writes the held name as an RFC 822 address (RFC 2156): through the
 *  gateway domain as "std-or-address"@gateway, or with a mapping table
 *  (from hvcnParseORTable, tableSize bytes) as local-part@mapped.domain.
 *  Either may be NULL, not both. hvcnERR_NOT_AN_ADDRESS when neither maps
 *  the name. flags: hvcnOR_SHORT_LABELS, hvcnOR_NO_PERSONAL_LOCAL. Buffer,
 *  size and *needed (may be NULL) as for hvcnFormatORAddress. */
HVCN_API int32_t HVCN_CALL hvcnORAddressToRFC822(hvcnFormat* format, const char* gateway,
                                                 const void* table, uint32_t tableSize,
                                                 char* buffer, uint32_t size, uint32_t* needed,
                                                 uint32_t flags) HVCN_NOEXCEPT;

/** Reads an RFC 822 address back into the held name of a ready format: at
 *  the gateway domain its local part is an O/R address in the "/" form;
 *  elsewhere the mapping table's row of the longest matching domain gives
 *  the upper levels. hvcnERR_NOT_AN_ADDRESS when neither applies. */
HVCN_API int32_t HVCN_CALL hvcnRFC822ToORAddress(const char* address, hvcnFormat* format,
                                                 const char* gateway, const void* table,
                                                 uint32_t tableSize) HVCN_NOEXCEPT;

/* Explanations of refusals ------------------------------------------------ */

/** hvcnExplainStatus: the call that failed, and what `how` is for it. */
#define hvcnEXPLAIN_FORMAT_STRING 1 /* hvcnParseFormatString, hvcnChangeInputFormat;
                                       text may be NULL; how 0 */
#define hvcnEXPLAIN_NAME 2          /* hvcnParseName: text the name; how its flags */
#define hvcnEXPLAIN_INTERNAL 3      /* hvcnTranslateInternalFormat decoding: text the
                                       internal name; how its type (1 to 3) */
#define hvcnEXPLAIN_OR_ADDRESS 4    /* hvcnParseORAddress: text the address; how its flags */

/** Where and why a call refused its input, beyond the status text and
 *  errorDetail, in the language of the texts: for a typed name the word or
 *  X.400 component at fault and its column, or how many words were read
 *  and how many fit; for a value refused by its check (statuses 12 to 15,
 *  22, 30) the attribute, at its column in a typed name; for a standard O/R
 *  address form the component (as errorDetail says) and its column; for a
 *  format string that fails because of the configured slash, the profile
 *  setting (SlashCharacter of TNUAL.INI) behind it. `format` is the format
 *  the failed call used, as that call left it (it is only read); status
 *  the call's status; call an hvcnEXPLAIN_* value; text and how what the
 *  failed call was given. The library reads the text again on a format of
 *  its own, so any thread may ask.
 *
 *  The explanation goes into buffer (size includes the NUL; *needed, may be
 *  NULL, receives the size it needs, as for the "Ex" exports), *column (may
 *  be NULL) the column of the input at fault, from 1 (0 when there is
 *  none). Returns hvcnSUCCESS; hvcnERR_NO_VALUE when there is nothing to
 *  add (buffer an empty text); hvcnERR_BUFFER_TOO_SMALL (buffer NULL with
 *  size 0 asks for the size); hvcnERR_BAD_PARAMETER for a NULL format, a
 *  NULL text where one is needed, a NULL buffer with a size or an unknown
 *  call. The 19 first exports keep errorDetail as they always have; the
 *  explanation is asked for here. */
HVCN_API int32_t HVCN_CALL hvcnExplainStatus(const hvcnFormat* format, int32_t status,
                                             uint32_t call, uint32_t how, const char* text,
                                             char* buffer, uint32_t size, uint32_t* needed,
                                             uint32_t* column) HVCN_NOEXCEPT;

/* The binary O/R address (BER/DER) --------------------------------------- */

/** Reads an O/R address encoded in BER or DER into the held name of a ready
 *  format, as hvcnNAME_OR_ADDRESS: an ORAddress (0x30), an ORName (0x60;
 *  its directory name is skipped and hvcnFMT_DIRECTORY_NAME set in
 *  format->flags) or an x400Address GeneralName (0xA3), the first `length`
 *  bytes of data. used (may be NULL) receives the bytes the address takes;
 *  without it, bytes after the address are refused. flags: hvcnBER_DER_ONLY,
 *  hvcnBER_TELETEX_LATIN1. Values pass the check of their attribute; the
 *  teletex-* and universal-* extension attributes go to the teletex twins as
 *  UTF-8. Malformed input gives hvcnERR_BAD_X400 (a fifth OU 23, a fifth
 *  DDA 26, an unknown extension attribute 24, an attribute twice 25, a
 *  refused value its check's status) and an errorDetail that names the
 *  component and its byte offset. */
HVCN_API int32_t HVCN_CALL hvcnDecodeORAddress(const void* data, uint32_t length, hvcnFormat* format,
                                               uint32_t flags, uint32_t* used) HVCN_NOEXCEPT;

/** Writes the held name (read, typed or decoded) as DER: an ORAddress, or
 *  with hvcnBER_ORNAME an ORName, with hvcnBER_X400ADDRESS an x400Address.
 *  *length (may be NULL) receives the bytes the encoding takes, on success
 *  and on hvcnERR_BUFFER_TOO_SMALL alike; buffer NULL with size 0 asks for
 *  the size (status hvcnERR_BUFFER_TOO_SMALL); a buffer too small is left
 *  untouched. A teletex twin is written as its teletex-* attribute in T.61
 *  when every character has a T.61 form, else as its universal-* attribute.
 *  A value its ASN.1 type cannot carry gives hvcnERR_BAD_VALUE and a detail. */
HVCN_API int32_t HVCN_CALL hvcnEncodeORAddress(hvcnFormat* format, void* buffer, uint32_t size,
                                               uint32_t* length, uint32_t flags) HVCN_NOEXCEPT;

/** Reads the index-th (from 0) x400Address of a DER X.509 certificate into
 *  the held name, counting those of the subjectAltName (2.5.29.17) and then
 *  those of the issuerAltName (2.5.29.18); no signature is checked.
 *  extension (may be NULL): on entry 0 or hvcnBER_* decoding flags, as
 *  hvcnDecodeORAddress takes them (set it before the call, as the context
 *  word of hvcnParseName); on return hvcnCERT_SUBJECT_ALT_NAME or
 *  hvcnCERT_ISSUER_ALT_NAME, 0 when no address was read. No such entry
 *  gives hvcnERR_NO_MORE_INTERPRETATIONS; a malformed certificate
 *  hvcnERR_BAD_X400 with the detail. */
HVCN_API int32_t HVCN_CALL hvcnGetCertificateORAddress(const void* certificate, uint32_t length, uint32_t index,
                                                       hvcnFormat* format, uint32_t* extension) HVCN_NOEXCEPT;

/* AMHS addresses (ICAO Doc 9880: AFTN <-> AMHS) ---------------------------- */

/** Reads the AMHS look-up tables - MD, CAAS and USER rows, one a line,
 *  fields separated by one TAB, '#' comment lines - into the caller's
 *  memory `tables` of `size` bytes. *needed receives the bytes they take:
 *  with tables NULL and size 0, or a size too small, the status is
 *  hvcnERR_BUFFER_TOO_SMALL and nothing is written. A bad row gives its
 *  status and its line number in *line (may be NULL; 0 when no row is at
 *  fault), and the trace log and (when size > 0) the memory receive a detail
 *  text naming the field: 27 a line that is no row or has the wrong number
 *  of fields, or a control character; 12 a bad key, location, AF-Address or
 *  scheme; 12-15, 22 a value its attribute's check refuses; the reader's
 *  status for a bad MF-Address; 25 an MD key, a USER AF-Address or
 *  MF-Address, or a CAAS location in one domain given twice (letter case
 *  ignored; found when the tables are written); 17 tables of more than
 *  4 GB. */
HVCN_API int32_t HVCN_CALL hvcnParseAMHSTables(const char* text, void* tables, uint32_t size,
                                               uint32_t* needed, uint32_t* line) HVCN_NOEXCEPT;

/** Converts an AF-Address (8 letters, any case) to its O/R address, held in
 *  the ready format as hvcnNAME_OR_ADDRESS: the USER row of the address,
 *  else the MD row (characters 1-7, then 1,2,5,6,7, then 1-4, then 1-2; a
 *  key without '*' before one with) and the domain's scheme: XF, or CAAS
 *  with the CAAS row of the location in that domain. *scheme (may be NULL)
 *  receives hvcnAMHS_XF, hvcnAMHS_CAAS or hvcnAMHS_USER. Failures, each with
 *  errorDetail naming the step: 19 not an AF-Address; 29 no MD row, or a
 *  CAAS domain without a CAAS row for the location; 25 two MD rows (or CAAS
 *  rows) of the winning level, both lines named; 18 a domain of scheme
 *  OTHER without a USER row; 3 tables that hvcnParseAMHSTables did not
 *  write (or a size too small for them); 9 a format not ready. */
HVCN_API int32_t HVCN_CALL hvcnAFTNToORAddress(const char* aftn, const void* tables, uint32_t size,
                                               hvcnFormat* format, uint32_t* scheme) HVCN_NOEXCEPT;

/** Converts the held name (any letter case) to its AF-Address in aftn
 *  (9 bytes: 8 letters and the NUL): its USER row, else the CN of a CAAS
 *  address, else the OU1 of an XF address; then converts that back and
 *  compares. *result (may be NULL) is read on entry for the flags
 *  hvcnAMHS_ORIGINATOR and hvcnAMHS_KEEP_REVERSE (0 for a recipient) and
 *  receives the scheme, hvcnAMHS_INCONSISTENT and hvcnAMHS_NO_REVERSE. An
 *  address that converts by none of the three gives 19, and errorDetail
 *  names the non-delivery diagnostic to send (originator: unable-to-transfer,
 *  invalid-arguments; recipient: unable-to-transfer, unrecognised-OR-name).
 *  A buffer under 9 bytes gives hvcnERR_BUFFER_TOO_SMALL (aftn "" when size
 *  >= 1); 3 for no name held, unknown flags, or tables that
 *  hvcnParseAMHSTables did not write. */
HVCN_API int32_t HVCN_CALL hvcnORAddressToAFTN(hvcnFormat* format, const void* tables, uint32_t size, char* aftn,
                                               uint32_t aftnSize, uint32_t* result) HVCN_NOEXCEPT;

/** Whether the RFC 822 mapping takes a text as a gateway domain (the rule
 *  hvcnORAddressToRFC822 and hvcnRFC822ToORAddress apply to their gateway
 *  argument, and hvcnParseORTable to a table's domains): letters, digits,
 *  '-' and '_' in labels separated by single dots. hvcnSUCCESS for a
 *  domain, hvcnERR_BAD_VALUE for a text that is none, hvcnERR_BAD_PARAMETER
 *  for NULL. */
HVCN_API int32_t HVCN_CALL hvcnCheckGatewayDomain(const char* domain) HVCN_NOEXCEPT;

/* Pasted text ----------------------------------------------------------------- */

/** Tells which kind of address a text is (*kind: hvcnKIND_*): hvcnSUCCESS,
 *  or with *kind hvcnKIND_NONE hvcnERR_NOT_AN_ADDRESS (an empty text, a
 *  control character, with hvcnREAD_STRICT a typed name no personal name
 *  could be) or hvcnERR_NAME_TOO_LONG (more than 1024 bytes), the reason in
 *  format->errorDetail. Nothing else of the format changes; it need not be
 *  ready. hvcnERR_BAD_PARAMETER for a NULL pointer or unknown flags. */
HVCN_API int32_t HVCN_CALL hvcnClassifyAddress(const char* text, hvcnFormat* format, uint32_t flags,
                                               int32_t* kind) HVCN_NOEXCEPT;

/** Reads a text of any kind into the held name of a ready format, as the
 *  export of its kind reads it (a typed name as hvcnParseName does, with
 *  hvcnPARSE_COMPLETE; the standard forms, Exchange's spellings and IMCEA
 *  as hvcnParseORAddress; an RFC 822 gateway address as
 *  hvcnRFC822ToORAddress with its own domain as the gateway), returning
 *  that status; *kind says what was read. An internet mailbox is not read:
 *  hvcnERR_NOT_AN_ADDRESS with *kind hvcnKIND_MAILBOX. A directory name is
 *  refused with its reason (hvcnERR_BAD_X400). */
HVCN_API int32_t HVCN_CALL hvcnReadAddress(const char* text, hvcnFormat* format, uint32_t flags,
                                           int32_t* kind) HVCN_NOEXCEPT;

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* HVCN_H */
