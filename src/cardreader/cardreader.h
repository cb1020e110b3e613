#ifndef MEAL_CARDREADER_H
#define MEAL_CARDREADER_H
/*
 * libcardreader.so: the desktop contactless card reader ("发卡器").
 *
 * Three calls, C linkage, result 0 on success and one of the CR_ERR_* codes
 * below otherwise. No call writes beyond the buffer sizes stated here, no call
 * keeps a pointer it was given, and no C++ exception leaves the library.
 *
 * The backend is chosen on every call from the environment:
 *   MEAL_CARDREADER=sim     simulated reader (see README.md for the card file)
 *   MEAL_CARDREADER=pcsc    PC/SC readers through libpcsclite.so.1 (loaded at run time)
 *   MEAL_CARDREADER=none    no reader attached: every call returns CR_ERR_NO_READER
 *   unset                   sim when MEAL_CARDREADER_CARD or MEAL_CARDREADER_UID is set,
 *                           otherwise pcsc
 *
 * `address` is the device address of serial readers; it is accepted and not
 * used by either backend. `reader` is the reader number: the n-th PC/SC reader
 * (0 = the first one), or 0 for the one simulated reader.
 */

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define CARDREADER_API __attribute__((visibility("default")))
#else
#define CARDREADER_API
#endif

/* Sizes the caller's buffers must have. */
#define CR_SERIAL_BUFFER_SIZE 64 /* API_GetSerNum out64 */
#define CR_SNR_BUFFER_SIZE 256   /* GET_SNR out1 and out2 */
#define CR_BLOCK_BUFFER_SIZE 256 /* API_PCDRead out */
#define CR_BLOCK_SIZE 16         /* bytes per card block */
#define CR_MAX_BLOCKS 16         /* most blocks one API_PCDRead returns (16 * 16 = 256) */

/* Request modes of GET_SNR. */
#define CR_REQUEST_IDLE 0x26 /* cards that are not halted */
#define CR_REQUEST_ALL 0x52  /* halted cards too */

/* Key modes of API_PCDRead. */
#define CR_KEY_A 0x60 /* 0 is accepted as key A too */
#define CR_KEY_B 0x61 /* 1 is accepted as key B too */

/* Result codes. */
#define CR_OK 0
#define CR_ERR_PARAMETER 1 /* a null buffer, an unknown mode, a block count outside 1..16 */
#define CR_ERR_NO_READER 2 /* no reader with that number, or the reader does not answer */
#define CR_ERR_NO_CARD 3   /* no card in the field */
#define CR_ERR_AUTH 4      /* the card refused the sector key */
#define CR_ERR_READ 5      /* a block could not be read after authentication */
#define CR_ERR_BLOCK 6     /* a block number the card does not have */
#define CR_ERR_COMM 7      /* the reader answered something unexpected */
#define CR_ERR_CONFIG 8    /* the simulated card file cannot be read as a card */
#define CR_ERR_INTERNAL 9  /* anything else (out of memory, ...) */

/*
 * The reader's serial number as NUL-terminated text in out64 (at most 63
 * characters; a longer serial is cut). CR_OK means a reader is present.
 */
CARDREADER_API int API_GetSerNum(int address, int reader, unsigned char* out64);

/*
 * Asks for a card in the field. On CR_OK:
 *   out1[0]         the length n of the card serial (UID) in bytes (4, 7 or 10)
 *   out2[0..n-1]    the card serial as the card sends it; for a 4-byte serial
 *                   the first byte is the lowest-order byte of the card number
 * Only these n + 1 bytes are written.
 * `mode` is CR_REQUEST_IDLE or CR_REQUEST_ALL; `halt` non-zero asks to halt the
 * card afterwards (the simulated reader and PC/SC readers keep the card active).
 */
CARDREADER_API int GET_SNR(int address, int reader, int mode, int halt, unsigned char* out1,
                           unsigned char* out2);

/*
 * Authenticates with the 6-byte key key6 (key A or B by keyMode) and reads
 * blockCount blocks from firstBlock on into out, 16 bytes each. Blocks in
 * several sectors are authenticated sector by sector with the same key. Only
 * blockCount * 16 bytes of out are written, and only on CR_OK.
 */
CARDREADER_API int API_PCDRead(int address, int reader, int keyMode, int firstBlock, int blockCount,
                               const unsigned char* key6, unsigned char* out);

#ifdef __cplusplus
}
#endif

#endif
