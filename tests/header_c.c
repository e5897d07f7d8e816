/* The public header compiles as C99 and describes the documented layout. */
#include <stddef.h>
#include <string.h>

#include "hvcn.h"

#define CHECK(name, condition) typedef char check_##name[(condition) ? 1 : -1]

CHECK(attribute_size, sizeof(hvcnAttribute) == 40);
CHECK(name_type_offset, offsetof(hvcnFormat, nameType) == 1284);
CHECK(tokens_offset, offsetof(hvcnFormat, tokens) % sizeof(void*) == 0);
#if defined(_WIN32) && !defined(_WIN64)
CHECK(format_size_win32, sizeof(hvcnFormat) == hvcnFORMAT_SIZE_WIN32);
CHECK(token_size_win32, sizeof(hvcnToken) == 28);
#endif

int main(void) {
  char text[16];
  uint16_t interfaceNumber = 0;
  hvcnFormat* format = NULL;
  (void)format;
  if (hvcnVersion(text, sizeof text, &interfaceNumber) != hvcnSUCCESS) return 1;
  if (strcmp(text, hvcnVERSION_TEXT) != 0 || interfaceNumber != hvcnINTERFACE_NUMBER) return 2;
  if (hvcnTOKEN_CANON != -2 || hvcnATT_EXT_PD_COMPONENTS_TX != 82) return 3;
  return 0;
}
