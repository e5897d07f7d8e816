/* The baselines of the batch benchmarks (scripts/bench.sh): the plain C
 * loops a program would write around the library, on one thread, reading
 * lines with fgets and printing on one buffered stdout.
 *
 *   hvcn_batch_baseline < names.txt > out.txt
 *       parses each typed name and writes it back under the default format
 *   hvcn_batch_baseline --amhs TABLES < aftn.txt > out.txt
 *       converts each AF-Address to its AMHS address (the "/" form)
 *   hvcn_batch_baseline --aftn TABLES < oraddresses.txt > out.txt
 *       converts each O/R address (either text form) to its AF-Address
 * TABLES is an AMHS table file (hvcnParseAMHSTables).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "hvcn.h"

static hvcnFormat format;
static char line[4096];
static char text[4096];

/* The next line without its line end; 0 at the end of the input. */
static int ReadLine(void) {
  size_t length;
  if (!fgets(line, sizeof line, stdin)) return 0;
  length = strlen(line);
  if (length && line[length - 1] == '\n') line[--length] = '\0';
  if (length && line[length - 1] == '\r') line[--length] = '\0';
  return 1;
}

/* The tables of an AMHS table file, or NULL after saying why. */
static void* LoadTables(const char* path, uint32_t* size) {
  FILE* file = fopen(path, "rb");
  char* data;
  long length;
  void* tables = NULL;
  int32_t status;
  if (!file) return NULL;
  fseek(file, 0, SEEK_END);
  length = ftell(file);
  fseek(file, 0, SEEK_SET);
  data = malloc((size_t)length + 1);
  if (data && fread(data, 1, (size_t)length, file) == (size_t)length) {
    data[length] = '\0';
    status = hvcnParseAMHSTables(data, NULL, 0, size, NULL);
    if (status == hvcnERR_BUFFER_TOO_SMALL && (tables = malloc(*size)) != NULL &&
        hvcnParseAMHSTables(data, tables, *size, size, NULL) != hvcnSUCCESS) {
      free(tables);
      tables = NULL;
    }
  }
  free(data);
  fclose(file);
  return tables;
}

int main(int argc, char** argv) {
  int32_t status = hvcnParseFormatString(NULL, &format);
  void* tables = NULL;
  uint32_t size = 0;
  int toAmhs = argc > 2 && strcmp(argv[1], "--amhs") == 0;
  int toAftn = argc > 2 && strcmp(argv[1], "--aftn") == 0;
  if (status != hvcnSUCCESS) {
    fprintf(stderr, "hvcn_batch_baseline: format string: %d\n", (int)status);
    return 2;
  }
  if ((toAmhs || toAftn) && !(tables = LoadTables(argv[2], &size))) {
    fprintf(stderr, "hvcn_batch_baseline: the tables %s cannot be read\n", argv[2]);
    return 2;
  }
  while (ReadLine()) {
    if (toAmhs) {
      status = hvcnAFTNToORAddress(line, tables, size, &format, NULL);
      if (status == hvcnSUCCESS) status = hvcnFormatORAddress(&format, text, sizeof text, NULL, 0);
    } else if (toAftn) {
      uint32_t result = 0;
      status = hvcnParseORAddress(line, &format, hvcnOR_FROM_AUTO);
      if (status == hvcnSUCCESS) status = hvcnORAddressToAFTN(&format, tables, size, text, sizeof text, &result);
    } else {
      uint32_t context = 0;
      status = hvcnParseName(line, &format, 0, NULL, 0, &context, hvcnPARSE_COMPLETE);
      if (status == hvcnSUCCESS) status = hvcnFormatName(&format, text, sizeof text, hvcnFN_REFORMAT);
    }
    if (status == hvcnSUCCESS) {
      fputs(text, stdout);
      fputc('\n', stdout);
    } else {
      printf("error %d\n", (int)status);
    }
  }
  free(tables);
  return 0;
}
