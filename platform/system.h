// The few system calls whose effect depends on the back end: the clock, sleeping, the
// real-time clock device, the service commands. The desktop back end passes them to the
// system; the offscreen back end runs them on its virtual clock.
#pragma once
#include <sys/time.h>
#include <sys/types.h>
#include <cstdint>

// The time of day: the real one on the desktop, the virtual clock offscreen, the session's
// clock while a session is recorded or replayed. Returns 0, or -1 as gettimeofday does.
int sysGettimeofday(struct timeval* tv);
// Sleeps us microseconds: really on the desktop, by moving the virtual clock offscreen, by
// the session's step in a session. Returns 0, or -1 as usleep does.
int sysUsleep(unsigned us);
// open(2), except that the real-time clock device does not exist offscreen or in a session
// (-1, ENOENT), and a desktop's refusal of it is kept for a second.
int sysOpen(const char* path, int flags);
// ioctl(2), read(2) and close(2) as they are, so the real-time clock's users go through one place.
int sysIoctl(int fd, unsigned long request, unsigned long arg);
ssize_t sysRead(int fd, void* buf, size_t n);
int sysClose(int fd);
// The palmtop's service commands ("/etc/rc.d/init.d/atd stop" and "... start"): only
// recorded offscreen (0); on the desktop run only where the service's script exists
// (127 otherwise), returning system()'s status.
int sysSystem(const char* command);
// Whether the stored files are still being opened (a browser page's storage): read is then
// called at the program's first sleep, with the splash already on the screen, and the
// player's input waits until then. Elsewhere false, and read is not called.
bool sysStorageOpening(void (*read)());
