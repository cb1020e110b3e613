// The reader functions of libcardreader.so. Taking their addresses here makes
// the plug-in depend on the library: the module does not load without it.
#include "cardreader/cardreader.h"
#include "util/CardReaderLink.h"

const CardReaderCalls& linkedCardReader() {
    static const CardReaderCalls calls{&API_GetSerNum, &GET_SNR, &API_PCDRead};
    return calls;
}
