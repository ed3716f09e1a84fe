/* The exports of libnu_32mhk.so, the movie window's mouse hook. The player
 * loads the library at run time from its program folder; window handles
 * cross as opaque pointers. */
#ifndef NU_32MHK_H
#define NU_32MHK_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Always 100. */
int16_t MouseHookVersion(void);
/* Installs the hook; its handle, or null on failure. */
void* MouseHookStart(void);
/* Removes the hook: nonzero on success, 0 when none was installed. */
int32_t MouseHookStop(void);
/* Sets the window whose mouse input is caught and the window told of a
 * right click; returns the target. */
void* MouseHookSetTargetWindow(void* target, void* notify);
/* Stores the action code and returns it. */
int32_t MouseHookSetAction(int32_t action);
/* Shows (nonzero) or hides (0) the target window's caption; the previous
 * style, 0 when there is no target. */
int32_t MouseHookSetCaption(int32_t flag);

#ifdef __cplusplus
}
#endif

#endif
