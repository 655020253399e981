// The few system calls whose effect depends on the back end: the clock, sleeping, the
// real-time clock device, the service commands. The desktop back end passes them to the
// system; the offscreen back end runs them on its virtual clock.
#pragma once
#include <cstdint>
#include <sys/time.h>
#include <sys/types.h>

int sysGettimeofday(struct timeval* tv);
int sysUsleep(unsigned us);
int sysOpen(const char* path, int flags);
int sysIoctl(int fd, unsigned long request, unsigned long arg);
ssize_t sysRead(int fd, void* buf, size_t n);
int sysClose(int fd);
// The palmtop's service commands ("/etc/rc.d/init.d/atd stop" and "... start").
int sysSystem(const char* command);
