# Writes samples.js: the sample texts the page offers, as JavaScript strings
# (a page opened from the disk may not read a file beside it).
#   cmake -DAMHS=docs/amhs-sample.tsv -DOUT=samples.js -P samples.cmake
file(READ ${AMHS} text)
string(REPLACE "\\" "\\\\" text "${text}")
string(REPLACE "\"" "\\\"" text "${text}")
string(REPLACE "\t" "\\t" text "${text}")
string(REPLACE "\r" "\\r" text "${text}")
string(REPLACE "\n" "\\n" text "${text}")
file(WRITE ${OUT} "// Made by web/samples.cmake from docs/amhs-sample.tsv.\nwindow.hvcnSamples = {amhs: \"${text}\"};\n")
