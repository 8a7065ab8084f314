/* Stand-ins for the translation library, for what the real one cannot be
 * made to do: lack an entry point, or report a detail report written when
 * none was. STUB_BARE builds one with the initialisation alone. */
#include <stdint.h>
#include <string.h>

#define EXPORT __attribute__((visibility("default")))

EXPORT void DLL_HEMZSHIFT_INIT(const int32_t* ndp, const char* target, int32_t target_len, const char* folder,
                               int32_t folder_len) {
    (void)ndp, (void)target, (void)target_len, (void)folder, (void)folder_len;
}

#ifndef STUB_BARE
EXPORT void DLL_HEMZSHIFT_GET_ERROR(int32_t* number, char* message, int32_t message_len) {
    *number = 0;
    if (message_len > 0) memset(message, ' ', (size_t)message_len);
}

EXPORT void DLL_HEMZSHIFT_GET_LAST_TARGET(char* buffer, int32_t buffer_len) {
    const char v[] = "209912";
    memset(buffer, ' ', (size_t)buffer_len);
    memcpy(buffer, v, buffer_len < 6 ? (size_t)buffer_len : 6);
}

EXPORT void DLL_HEMZSHIFT_ALL(const int32_t* mode, const char* date, int32_t date_len, const char* segment,
                              int32_t segment_len, const char* code, int32_t code_len, const float* km,
                              int32_t* status) {
    (void)mode, (void)date, (void)date_len, (void)segment, (void)segment_len, (void)code, (void)code_len, (void)km;
    *status = 0; /* and no report written */
}
#endif
