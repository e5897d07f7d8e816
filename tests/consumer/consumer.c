/* A program built against an installed hvcn, as a user builds one. */
#include <stdio.h>
#include <string.h>

#include <hvcn.h>

int main(void) {
  static hvcnFormat format;
  char text[256];
  uint32_t context = 0;
  uint16_t interfaceNumber = 0;
  if (hvcnVersion(text, sizeof text, &interfaceNumber) != hvcnSUCCESS || interfaceNumber != hvcnINTERFACE_NUMBER)
    return 1;
  if (hvcnParseFormatString("%(NONCANON)", &format) != hvcnSUCCESS) return 2;
  if (hvcnParseName("John Smith", &format, 0, NULL, 0, &context, hvcnPARSE_COMPLETE) != hvcnSUCCESS) return 3;
  if (hvcnChangeOutputFormat("%(CANON)", &format) != hvcnSUCCESS) return 4;
  if (hvcnFormatName(&format, text, sizeof text, hvcnFN_REFORMAT) != hvcnSUCCESS) return 5;
  printf("%s\n", text);
  /* The resource library beside the installed library answers. */
  hvcnGetErrorText(hvcnSUCCESS, text, sizeof text);
  printf("%s\n", text);
  return strcmp(text, "No problem was found.") == 0 ? 0 : 6;
}
