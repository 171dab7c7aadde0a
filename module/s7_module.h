/* The module's C interface: the host callback and the ten exported functions, declared once for the
   module that defines them and for every host that loads it (docs/host-protocol.md describes them). */
#ifndef S7_MODULE_H
#define S7_MODULE_H

#include <stdbool.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define S7_MODULE_API __attribute__((visibility("default")))

/* How every asynchronous answer reaches the host: its context value, one serialised message, its size. */
typedef void (*host_callback)(uint64_t host_context, const void* bytes, uint32_t size);

S7_MODULE_API int GetApiLevel(void);
S7_MODULE_API int InitializeModule(uint64_t host_context, host_callback callback);
S7_MODULE_API int CleanupModule(void);
S7_MODULE_API void GetModuleInformation(bool include_languages);
S7_MODULE_API int GetModuleInformationSync(void* buffer, uint32_t* size, bool include_texts);
S7_MODULE_API int CreateSensorInstance(int sensor_id, const void* settings, uint32_t size);
S7_MODULE_API int ExecuteSensorScan(int sensor_id);
S7_MODULE_API int ExecuteCheck(int check_id, const void* settings, uint32_t size);
S7_MODULE_API int ExecuteMetaScan(int sensor_id, unsigned selector, const void* settings, uint32_t size);
S7_MODULE_API int DestroySensorInstance(int sensor_id);

#ifdef __cplusplus
}
#endif

#endif
