// The real-time clock's requests, for the web build: Emscripten's system headers have no
// linux/. A browser has no /dev/rtc, so the program's open of it fails and it sleeps the
// plain way; these numbers are Linux's, for a 32-bit unsigned long.
#pragma once
#define RTC_PIE_ON 0x7005
#define RTC_PIE_OFF 0x7006
#define RTC_IRQP_SET 0x4004700cUL
