#include "fuzz/fuzzchecks.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, unsigned long size) {
    pv::fuzz::checkRecords(data, size);
    return 0;
}
