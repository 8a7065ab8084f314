/*
 * Hemzshift8: translation of highway segment/km locations between inventory
 * versions. Every argument is passed by reference, except the length that
 * follows each text buffer. Texts are blank-padded and not NUL-terminated:
 * a date or version is 10 characters, a segment 4, a direction code 1, a
 * history text 6. Flags are one byte: 0 false, 0xFF true.
 *
 * Sentinels of a failed translation: "DEL " -3.0 (devolved), "OFF " -1.0
 * (off the inventory), "ERR " -2.0 (km not covered), "ERR " -4.0 (no result,
 * or the library stopped on a data error: see DLL_HEMZSHIFT_GET_ERROR).
 */
#ifndef HEMZSHIFT8_H
#define HEMZSHIFT8_H

#include <stdint.h>

#if defined(HEMZSHIFT8_BUILDING)
#define HEMZSHIFT8_API __attribute__((visibility("default")))
#else
#define HEMZSHIFT8_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Loads the transformation tables. target and folder may be null (none). */
HEMZSHIFT8_API void DLL_HEMZSHIFT_INIT(const int32_t* ndp, const char* target, int32_t target_len, const char* folder,
                                       int32_t folder_len);

/* Forward to the latest version (or the target given at initialisation). */
HEMZSHIFT8_API void DLL_HEMZSHIFT(const char* date, int32_t date_len, const char* segment, int32_t segment_len,
                                  const char* code, int32_t code_len, const float* km, char* out_segment,
                                  int32_t out_segment_len, float* out_km, uint8_t* obs, int32_t* steps, uint8_t* split);

/* Forwards or backwards to the given version. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_TO_HMZVERSION(const char* date, int32_t date_len, const char* segment,
                                                int32_t segment_len, const char* code, int32_t code_len,
                                                const float* km, const char* target, int32_t target_len,
                                                char* out_segment, int32_t out_segment_len, float* out_km, uint8_t* obs,
                                                int32_t* steps, uint8_t* split);

/* The whole history with its detail report. mode: -9 none, 0 or more an I/O
 * unit (7 the log; 0 and 6 where the library's messages go: the log once it
 * is open, else standard error), -1 the file "Hemzshift_Detail.txt" in the
 * temporary folder ("temp", else TMPDIR, else /tmp), -2 that file then opened in the
 * viewer (HEMZSHIFT_VIEWER, else xdg-open). status: 0 when written (with -2
 * the viewer's start status, above 32 when it started), else the I/O error,
 * or the error number of a library stopped by a data error; untouched with
 * mode -9. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_ALL(const int32_t* mode, const char* date, int32_t date_len, const char* segment,
                                      int32_t segment_len, const char* code, int32_t code_len, const float* km,
                                      int32_t* status);

/* One entry (-5 to 5) of the last translation's history. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_GET_DETAIL(const int32_t* i, uint8_t* present, char* version, int32_t version_len,
                                             char* eff_date, int32_t eff_date_len, char* segment, int32_t segment_len,
                                             float* km, uint8_t* obs, uint8_t* split, char* text, int32_t text_len);

/* status: -1 segment not in the version, 0 km is 0, 1 inside, 2 at the end,
 * -2 outside. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_CHECK_LOCN(const char* version, int32_t version_len, const char* segment,
                                             int32_t segment_len, const float* km, int32_t* status);

/* A three-character code followed by a blank gets a leading zero. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_SEG34(char* segment, int32_t segment_len);

/* The target version of the last group, blank-padded or cut to the buffer. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_GET_LAST_TARGET(char* buffer, int32_t buffer_len);

/* The date on which the segment stops existing, or blanks. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_GET_END_DATE(const char* segment, int32_t segment_len, char* end_date,
                                               int32_t end_date_len);

/* The data error that stopped the library (0 and blanks when none); it holds
 * until the next initialisation. */
HEMZSHIFT8_API void DLL_HEMZSHIFT_GET_ERROR(int32_t* number, char* message, int32_t message_len);

#ifdef __cplusplus
}
#endif

#endif
