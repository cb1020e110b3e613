/* POS terminal library: six calls over the terminal wire protocol, by network
 * (HTTP/1.1) or serial line (RS485/RS232 frames).
 *
 * Connect returns 0 on failure and a non-zero handle otherwise. The other
 * calls return a negative value on failure:
 *   -1 no connection or time-out      -2 refused name or password
 *   -3 malformed request or answer    -4 unknown table
 *   -5 answer larger than the buffer  -6 any other failure
 * Buffers are zero-filled and receive the answer with a terminating zero.
 * A handle may be used by one thread at a time; different handles may be used
 * from different threads at once. */
#ifndef POSTERM_H
#define POSTERM_H

#include <stdint.h>

#if defined(__GNUC__)
#define POSTERM_API __attribute__((visibility("default")))
#else
#define POSTERM_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* "protocol=HTTP,ipaddress=%s,port=80,name=root,passwd=%d" or
 * "protocol=RS485,port=COM%d,baudrate=%sbps,deviceid=%d,timeout=20000,passwd=%d"
 * (RS232 alike). */
POSTERM_API uint32_t Connect(const char* params);
/* 0, or -1 for a handle that is not connected. */
POSTERM_API int32_t Disconnect(uint32_t handle);
/* First line "OK", then one name=value line per item; returns the answer's length. */
POSTERM_API int32_t InfoQuery(uint32_t handle, char* buffer, int32_t size, const char* items);
/* Number of records of `table` that match `filter`. */
POSTERM_API int32_t DataCount(uint32_t handle, const char* table, const char* filter, const char* options);
/* Appends records (one a line, name=value fields separated by TAB) in one
 * request; returns the number of records newly stored (repeated ones are
 * acknowledged by the terminal but not counted). */
POSTERM_API int32_t DataAppend(uint32_t handle, const char* table, const char* data, const char* options);
/* "records=<n>", the field names, then one record a line; returns n. */
POSTERM_API int32_t DataQuery(uint32_t handle, char* buffer, int32_t size, const char* table,
                              const char* fields, const char* filter, const char* options);

#ifdef __cplusplus
}
#endif

#endif
