#!/usr/bin/python3
"""What the browser build costs, as a new player meets it: the page of build-web/ served
on 127.0.0.1 and opened in Debian's headless Chromium (no GPU), with a fresh profile for
every run.

- transfer: every file the page loaded until the main menu showed and the page settled
  (its service worker's caching included), each compressed with gzip -9, as a server that
  compresses would send it (goal: at most 1 MB, 1,000,000 bytes, in all);
- first frame: from the navigation's start to the first frame on the canvas
  (tavrin.firstFrameAt, on the page's own clock), the median of several runs (goal: at most
  300 ms). The browser is up and quiet when the link is followed, as a player's is: a
  freshly started Chromium keeps most of two cores busy for its first second (its GPU,
  network and storage processes starting), which is the browser's start, not the page's.
  The same figure with the page opened the moment the browser started is printed beside it;
- idle: the CPU time of all the browser's processes while the page sits in the main menu,
  as a share of one core, beside the desktop window's figure from bench_desktop.

Figures, not a test: it always exits 0 unless the page cannot be measured at all.

    tools/bench/bench_web.py [--web build-web] [--runs N] [--idle-seconds S]
                             [--desktop build/bench_desktop | --no-desktop]
"""

import argparse
import os
import re
import statistics
import subprocess
import sys
import time

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(SOURCE, "tests", "web"))

import browser as B  # noqa: E402

# Waits are bounds for a loaded machine, not figures.
START_WAIT = 180.0


def machine_busy():
    """Busy CPU seconds of the whole machine (every core, every process)."""
    with open("/proc/stat") as f:
        fields = f.readline().split()[1:]
    user, nice, system, idle, iowait, irq, softirq, steal = (int(x) for x in fields[:8])
    return (user + nice + system + irq + softirq + steal) / os.sysconf("SC_CLK_TCK")


def load_average():
    with open("/proc/loadavg") as f:
        return float(f.read().split()[0])


def cpu_model():
    model, flags = "unknown", []
    with open("/proc/cpuinfo") as f:
        for line in f:
            key, _, value = line.partition(":")
            if key.strip() == "model name" and model == "unknown":
                model = value.strip()
            elif key.strip() == "flags" and not flags:
                flags = value.split()
    wide = [f for f in ("sse4_2", "avx", "avx2", "avx512f") if f in flags]
    return model, wide, os.cpu_count()


def spread(values):
    return statistics.median(values), min(values), max(values)


def process_kind(pid):
    """The browser's own process, or a helper's --type (renderer, gpu-process, utility...)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            command = f.read().decode(errors="replace")
    except OSError:
        return "gone"
    # Helpers rewrite their command line into one string: the type is found anywhere in it.
    m = re.search(r"--type=([\w-]+)", command)
    if not m:
        return "browser"
    sub = re.search(r"--utility-sub-type=[\w.]*?(\w+)\b", command)
    return m.group(1) + (" (%s)" % sub.group(1) if m.group(1) == "utility" and sub else "")


# A browser counts as quiet after this many windows in a row with its processes using less
# than QUIET_SHARE of one core; it is given up on (and the page opened anyway) after
# START_WAIT.
QUIET_WINDOW = 0.25
QUIET_SHARE = 0.10
QUIET_WINDOWS = 2


class Visit:
    """One first visit: a new browser with an empty profile opens the page, once it is
    quiet (settle=True) or the moment it has started."""

    def __init__(self, server, scratch, settle=True):
        self.browser = B.Browser(scratch)
        self.page = self.browser.page()
        if settle:
            self._quiet()
        self.page.navigate(server.url("/"))
        self.page.wait_for("window.tavrin && tavrin.frames > 0", START_WAIT, "the first frame")

    def _quiet(self):
        deadline = time.monotonic() + START_WAIT
        quiet, before = 0, sum(self.browser.cpu().values())
        while quiet < QUIET_WINDOWS and time.monotonic() < deadline:
            time.sleep(QUIET_WINDOW)
            now = sum(self.browser.cpu().values())
            quiet = quiet + 1 if now - before < QUIET_SHARE * QUIET_WINDOW else 0
            before = now

    def first_frame_ms(self):
        # performance.now() counts from the navigation's start (the page's time origin).
        return self.page.eval("tavrin.firstFrameAt")

    def settle(self):
        """Waits for the main menu to stand still and the page's own loading to end."""
        self.page.wait_for("tavrin.status === 'running'", START_WAIT)
        # The splash gives way to the main menu by itself; then nothing changes until a key.
        self.page.wait(self._still, START_WAIT, "the main menu standing still")
        self.page.eval(
            "navigator.serviceWorker && navigator.serviceWorker.getRegistration()"
            ".then(r => r && (r.active ? 1 : new Promise(ok => { const w = r.installing || r.waiting;"
            " if (!w) return ok(1); w.addEventListener('statechange', () => w.state === 'activated' && ok(1)); })))"
        )

    def _still(self):
        # Three seconds of the page's time without a new frame on the canvas.
        return self.page.eval(
            "new Promise(r => { const f = tavrin.frames; setTimeout(() => r(tavrin.frames === f), 3000); })"
        )

    def idle(self, seconds):
        """Share of one core used by the browser's processes over seconds of wall time, and
        the cores the rest of the machine kept busy meanwhile."""
        c0, m0, t0 = self.browser.cpu(), machine_busy(), time.monotonic()
        time.sleep(seconds)
        c1, m1, t1 = self.browser.cpu(), machine_busy(), time.monotonic()
        wall = t1 - t0
        kinds = {}
        for p in c1:
            if p in c0:
                kind = process_kind(p)
                kinds[kind] = kinds.get(kind, 0) + (c1[p] - c0[p]) / wall * 100
        share = sum(kinds.values())
        return share, max(0.0, (m1 - m0) / wall - share / 100), kinds

    def close(self):
        self.browser.close()


def desktop_idle(bench):
    """bench_desktop's idle line, or why there is none."""
    if not bench or not os.access(bench, os.X_OK):
        return None, "no %s (make build builds it)" % (bench or "bench_desktop")
    r = subprocess.run([bench, "--runs", "3"], capture_output=True, text=True, timeout=900)
    for line in r.stdout.splitlines():
        if "idle in the main menu" in line:
            return re.sub(r"\s+", " ", line.strip()), None
    return None, (r.stdout.strip().splitlines() or ["bench_desktop printed nothing"])[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--web", default=os.path.join(SOURCE, "build-web"))
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--idle-seconds", type=float, default=5.0)
    parser.add_argument("--desktop", default=os.path.join(SOURCE, "build", "bench_desktop"))
    parser.add_argument("--no-desktop", action="store_true")
    parser.add_argument("--screenshot", help="also save the page at a phone's size (390x844) in the main menu")
    args = parser.parse_args()
    if not os.path.exists(os.path.join(args.web, "index.html")):
        print("bench_web: no %s/index.html (make web builds it); skipped" % args.web)
        return 0

    model, wide, cores = cpu_model()
    scratch = B.scratch_dir(prefix="tavrin-bench-web-")
    server = B.StaticServer({"/": args.web})
    load_before = load_average()
    firsts, cold_firsts, idles, others, by_kind = [], [], [], [], {}
    transfer = None
    try:
        for run in range(args.runs):
            served_before = len(server.served())
            visit = Visit(server, os.path.join(scratch, "run%d" % run))
            try:
                firsts.append(visit.first_frame_ms())
                visit.settle()
                if transfer is None:
                    transfer = server.served()[served_before:]
                share, busy, kinds = visit.idle(args.idle_seconds)
                for kind, value in kinds.items():
                    by_kind.setdefault(kind, []).append(value)
                idles.append(share)
                others.append(busy)
                if args.screenshot and run == 0:
                    visit.page.set_device(390, 844, 3, mobile=True)
                    visit.page.wait(visit._still, START_WAIT, "the main menu at a phone's size")
                    with open(args.screenshot, "wb") as f:
                        f.write(visit.page.screenshot())
            finally:
                visit.close()
            B.remove_tree(os.path.join(scratch, "run%d" % run))
            visit = Visit(server, os.path.join(scratch, "cold%d" % run), settle=False)
            try:
                cold_firsts.append(visit.first_frame_ms())
            finally:
                visit.close()
            B.remove_tree(os.path.join(scratch, "cold%d" % run))
    finally:
        server.close()
        B.remove_tree(scratch)
    load_after = load_average()

    print("browser build in headless Chromium (Debian's, no GPU): %s" % os.path.abspath(args.web))
    print(
        "CPU: %s, %d cores (%s); load %.2f before, %.2f after"
        % (model, cores, " ".join(wide) or "no wide vector flags", load_before, load_after)
    )
    print()
    # Each file of the site once, whatever URL asked for it: the page is "/" to the browser
    # and "index.html" to the service worker's copy, as every other file is fetched by both.
    files = {}
    for url, path in transfer or []:
        files.setdefault(path, url.split("?", 1)[0])
    files = {url: path for path, url in files.items()}
    print("transfer, every file the page loaded (gzip -9 each; raw size beside it):")
    total_gz = total_raw = total_static = 0
    for url in sorted(files):
        gz, raw = B.gzip_size(files[url]), os.path.getsize(files[url])
        # What a server that sends a file's precompressed .gz (gzip_static) sends instead.
        static = os.path.getsize(files[url] + ".gz") if os.path.exists(files[url] + ".gz") else gz
        total_gz += gz
        total_raw += raw
        total_static += static
        print("  %-40s %9d B gzip %9d B" % (url, gz, raw))
    print("  %-40s %9d B gzip %9d B   goal <= 1000000 B gzip" % ("all %d files" % len(files), total_gz, total_raw))
    if total_static != total_gz:
        print("  %-40s %9d B   (the site's .gz copies where it has them)" % ("sent by a gzip_static server", total_static))
    print()
    m, lo, hi = spread(firsts)
    print("navigation to first frame, over %d first visits: median [lowest .. highest]" % len(firsts))
    print("  first frame on the canvas       %7.0f ms  [%.0f .. %.0f]   goal <= 300 ms" % (m, lo, hi))
    m, lo, hi = spread(cold_firsts)
    print("  the same, opened the moment the browser started (it was still starting its own processes):")
    print("                                  %7.0f ms  [%.0f .. %.0f]" % (m, lo, hi))
    print()
    m, lo, hi = spread(idles)
    bm, blo, bhi = spread(others)
    print(
        "idle in the main menu, all the browser's processes over %.0f s, %d runs"
        " (other processes kept %.2f [%.2f .. %.2f] cores busy):" % (args.idle_seconds, len(idles), bm, blo, bhi)
    )
    print("  browser, main menu              %7.2f %% of one core  [%.2f .. %.2f]" % (m, lo, hi))
    for kind in sorted(by_kind, key=lambda k: -statistics.median(by_kind[k])):
        km, klo, khi = spread(by_kind[kind])
        print("    of which %-22s %7.2f %%  [%.2f .. %.2f]" % (kind, km, klo, khi))
    if args.no_desktop:
        print("  desktop window: not measured (--no-desktop)")
    else:
        line, why = desktop_idle(args.desktop)
        print("  desktop window (bench_desktop): %s" % (line if line else why))
    return 0


if __name__ == "__main__":
    sys.exit(main())
