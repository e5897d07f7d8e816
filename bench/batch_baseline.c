/* The baseline of the batch benchmark (scripts/bench.sh): the plain C loop a
 * program would write around the library. It reads typed names with fgets,
 * parses each, writes it back under the default format and prints it on
 * one buffered stdout, on one thread.
 *
 *   hvcn_batch_baseline < names.txt > out.txt
 */
#include <stdio.h>
#include <string.h>

#include "hvcn.h"

int main(void) {
  static hvcnFormat format;
  static char line[4096];
  static char text[4096];
  int32_t status = hvcnParseFormatString(NULL, &format);
  if (status != hvcnSUCCESS) {
    fprintf(stderr, "hvcn_batch_baseline: format string: %d\n", (int)status);
    return 2;
  }
  while (fgets(line, sizeof line, stdin)) {
    size_t length = strlen(line);
    uint32_t context = 0;
    if (length && line[length - 1] == '\n') line[--length] = '\0';
    if (length && line[length - 1] == '\r') line[--length] = '\0';
    status = hvcnParseName(line, &format, 0, NULL, 0, &context, hvcnPARSE_COMPLETE);
    if (status == hvcnSUCCESS) status = hvcnFormatName(&format, text, sizeof text, hvcnFN_REFORMAT);
    if (status == hvcnSUCCESS) {
      fputs(text, stdout);
      fputc('\n', stdout);
    } else {
      printf("error %d\n", (int)status);
    }
  }
  return 0;
}
