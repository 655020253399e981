"""Driving Debian's headless Chromium for the browser tests and the web benchmark.

Nothing here is downloaded: the page is served by a static server of our own on 127.0.0.1
(a port the system picks), and Chromium is driven over its DevTools protocol through
--remote-debugging-pipe (JSON messages, each ended by a NUL byte, on the browser's fds 3 and
4). Chromium gets a scratch folder for its profile, its HOME and its caches, so nothing is
written outside the folder the caller hands it.

Waiting is always for a condition, polled, with a generous bound: the tests run on a loaded
2-core machine where a page may take many seconds to start.
"""

import base64
import fcntl
import gzip
import http.server
import json
import os
import shutil
import subprocess
import threading
import time
import urllib.parse

CHROMIUM = "/usr/bin/chromium"

# Long enough for a page to load and compile its WebAssembly on a busy 2-core machine.
DEFAULT_WAIT = 120.0


class BrowserError(Exception):
    pass


# ---- the static server ----------------------------------------------------------------------


class _Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(
        http.server.SimpleHTTPRequestHandler.extensions_map,
        **{
            ".wasm": "application/wasm",
            ".js": "text/javascript",
            ".mjs": "text/javascript",
            ".webmanifest": "application/manifest+json",
            ".data": "application/octet-stream",
            ".rec": "application/octet-stream",
            ".script": "text/plain",
        },
    )

    def translate_path(self, path):
        path = urllib.parse.unquote(path.split("?", 1)[0].split("#", 1)[0])
        server = self.server
        # The longest prefix wins: "/" is the page, other prefixes are test files beside it.
        for prefix in sorted(server.roots, key=len, reverse=True):
            if path == prefix.rstrip("/") or path.startswith(prefix):
                rest = path[len(prefix) :] if path.startswith(prefix) else ""
                full = os.path.normpath(os.path.join(server.roots[prefix], rest.lstrip("/")))
                root = os.path.normpath(server.roots[prefix])
                if full != root and not full.startswith(root + os.sep):
                    return None
                return full
        return None

    def end_headers(self):
        # Every reload fetches again: what a test sees is what is on disk now.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def send_head(self):
        path = self.translate_path(self.path)
        if path is None:
            self.send_error(404, "outside the served folders")
            return None
        f = super().send_head()
        if f is not None:
            if os.path.isdir(path):
                path = os.path.join(path, "index.html")
            with self.server.lock:
                self.server.served.append((self.path, path))
        return f

    def log_message(self, format, *args):
        pass


class StaticServer:
    """Serves folders on 127.0.0.1 at a port the system picks.

    roots maps URL prefixes to folders; "/" must be among them."""

    def __init__(self, roots):
        if "/" not in roots:
            raise ValueError("the server needs a folder for /")
        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), _Handler)
        self.httpd.daemon_threads = True
        self.httpd.roots = {p if p.endswith("/") else p + "/": os.path.abspath(d) for p, d in roots.items()}
        self.httpd.served = []
        self.httpd.lock = threading.Lock()
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path="/"):
        return "http://127.0.0.1:%d%s" % (self.port, path)

    def served(self):
        """(URL path, file) of every response with a body so far."""
        with self.httpd.lock:
            return list(self.httpd.served)

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def gzip_size(path):
    with open(path, "rb") as f:
        return len(gzip.compress(f.read(), compresslevel=9, mtime=0))


# ---- processes ------------------------------------------------------------------------------


def _children_of():
    kids = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                stat = f.read()
        except OSError:
            continue
        # The command name may hold spaces and parentheses: the fields follow the last ")".
        fields = stat[stat.rfind(")") + 2 :].split()
        kids.setdefault(int(fields[1]), []).append(int(name))
    return kids


def process_tree(pid):
    """pid and every process below it."""
    kids = _children_of()
    out, todo = [], [pid]
    while todo:
        p = todo.pop()
        out.append(p)
        todo.extend(kids.get(p, []))
    return out


def process_cpu(pid):
    """CPU time of every thread of a process, in seconds (0 once it is gone)."""
    total = 0.0
    try:
        tasks = os.listdir("/proc/%d/task" % pid)
    except OSError:
        return 0.0
    for t in tasks:
        try:
            with open("/proc/%d/task/%s/schedstat" % (pid, t)) as f:
                total += int(f.read().split()[0]) / 1e9
        except (OSError, ValueError, IndexError):
            pass
    return total


def tree_cpu(pid):
    """{pid: CPU seconds} for a process and everything below it."""
    return {p: process_cpu(p) for p in process_tree(pid)}


# ---- the browser ----------------------------------------------------------------------------


class Browser:
    """Debian's Chromium, headless, driven over --remote-debugging-pipe.

    scratch: a folder of the caller's for the profile, HOME and caches (kept between two
    Browser objects on the same folder, which is how a reload of a new browser finds the
    same storage)."""

    def __init__(self, scratch, width=390, height=844, args=()):
        if not os.access(CHROMIUM, os.X_OK):
            raise BrowserError("no %s (tools/deps.sh test installs chromium)" % CHROMIUM)
        self.scratch = os.path.abspath(scratch)
        home = os.path.join(self.scratch, "home")
        for d in ("profile", "home", "tmp"):
            os.makedirs(os.path.join(self.scratch, d), exist_ok=True)
        env = {
            k: v
            for k, v in os.environ.items()
            if k in ("PATH", "LANG", "LC_ALL", "TZ") or k.startswith("LC_")
        }
        env.update(
            HOME=home,
            XDG_CONFIG_HOME=os.path.join(home, ".config"),
            XDG_CACHE_HOME=os.path.join(home, ".cache"),
            XDG_DATA_HOME=os.path.join(home, ".local", "share"),
            TMPDIR=os.path.join(self.scratch, "tmp"),
        )
        command = [
            CHROMIUM,
            "--headless=new",
            "--no-sandbox",
            "--remote-debugging-pipe",
            "--user-data-dir=" + os.path.join(self.scratch, "profile"),
            "--no-first-run",
            "--no-default-browser-check",
            "--disable-background-networking",
            "--disable-component-update",
            "--disable-sync",
            "--disable-extensions",
            "--disable-default-apps",
            "--metrics-recording-only",
            "--password-store=basic",
            "--use-mock-keychain",
            "--mute-audio",
            "--window-size=%d,%d" % (width, height),
            *args,
            "about:blank",
        ]
        # Our ends of the two pipes; the browser's ends go to its fds 3 (it reads) and 4 (it
        # writes), put in place by a shell in the child (no Python runs between fork and exec,
        # which is what is safe beside the server's threads).
        to_browser_r, self._to_browser = os.pipe()
        from_browser, from_browser_w = os.pipe()
        # Above 4 first, so that putting one in place cannot overwrite the other.
        low = (to_browser_r, from_browser_w)
        to_browser_r, from_browser_w = (fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10) for fd in low)
        for fd in low:
            os.close(fd)
        place = 'exec 3<&%d 4>&%d %d<&- %d>&-; exec "$@"' % (to_browser_r, from_browser_w, to_browser_r, from_browser_w)

        self.log_path = os.path.join(self.scratch, "chromium.log")
        self._log = open(self.log_path, "ab")
        self.process = subprocess.Popen(
            ["/bin/bash", "-c", place, "chromium"] + command,
            stdin=subprocess.DEVNULL,
            stdout=self._log,
            stderr=self._log,
            env=env,
            pass_fds=(to_browser_r, from_browser_w),
            start_new_session=True,
        )
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._from_browser = from_browser
        os.set_inheritable(self._from_browser, False)

        self._lock = threading.Condition()
        self._next_id = 0
        self._responses = {}
        self._listeners = []
        self._closed = False
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()
        self.pid = self.process.pid

        try:
            self.call("Browser.getVersion", timeout=DEFAULT_WAIT)
        except Exception:
            self.close()
            raise

    # -- the protocol --

    def _read(self):
        buf = b""
        while True:
            try:
                chunk = os.read(self._from_browser, 1 << 16)
            except OSError:
                chunk = b""
            if not chunk:
                break
            buf += chunk
            while b"\0" in buf:
                raw, buf = buf.split(b"\0", 1)
                try:
                    message = json.loads(raw)
                except ValueError:
                    continue
                with self._lock:
                    if "id" in message:
                        self._responses[message["id"]] = message
                    else:
                        for listener in list(self._listeners):
                            listener(message)
                    self._lock.notify_all()
        with self._lock:
            self._closed = True
            self._lock.notify_all()

    def call(self, method, params=None, session=None, timeout=DEFAULT_WAIT):
        with self._lock:
            self._next_id += 1
            ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        data = json.dumps(message).encode() + b"\0"
        try:
            while data:
                data = data[os.write(self._to_browser, data) :]
        except OSError as e:
            raise BrowserError("the browser went away (%s); its log: %s" % (e, self.log_tail()))
        deadline = time.monotonic() + timeout
        with self._lock:
            while ident not in self._responses:
                if self._closed:
                    raise BrowserError("the browser went away during %s; its log: %s" % (method, self.log_tail()))
                left = deadline - time.monotonic()
                if left <= 0:
                    raise BrowserError("no answer to %s within %.0f s" % (method, timeout))
                self._lock.wait(left)
            response = self._responses.pop(ident)
        if "error" in response:
            raise BrowserError("%s: %s" % (method, response["error"].get("message", response["error"])))
        return response.get("result", {})

    def listen(self, listener):
        with self._lock:
            self._listeners.append(listener)

    def log_tail(self, lines=20):
        try:
            with open(self.log_path, "rb") as f:
                return b"\n".join(f.read().splitlines()[-lines:]).decode(errors="replace")
        except OSError:
            return ""

    # -- pages --

    def page(self):
        """The first tab, attached."""
        for info in self.call("Target.getTargets")["targetInfos"]:
            if info["type"] == "page":
                return Page(self, info["targetId"])
        return self.new_page()

    def new_page(self, url="about:blank"):
        target = self.call("Target.createTarget", {"url": url})["targetId"]
        return Page(self, target)

    def cpu(self):
        """{pid: CPU seconds} for the browser and all its processes."""
        return tree_cpu(self.pid)

    def close(self):
        if self.process.poll() is None:
            try:
                with self._lock:
                    self._next_id += 1
                    ident = self._next_id
                os.write(self._to_browser, json.dumps({"id": ident, "method": "Browser.close"}).encode() + b"\0")
            except OSError:
                pass
            try:
                self.process.wait(timeout=30)
            except subprocess.TimeoutExpired:
                # Its own process group, which it leads: only the browser we started.
                os.killpg(self.process.pid, 9)
                self.process.wait()
        for fd in (self._to_browser, self._from_browser):
            try:
                os.close(fd)
            except OSError:
                pass
        self._log.close()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()


class Page:
    """One tab: navigation, console errors, evaluation, waiting, input, screenshots."""

    def __init__(self, browser, target):
        self.browser = browser
        self.target = target
        self.session = browser.call("Target.attachToTarget", {"targetId": target, "flatten": True})["sessionId"]
        self.errors = []  # console errors, uncaught exceptions and failed loads, as text
        self.console = []  # every console message, as text
        self._loads = 0
        browser.listen(self._event)
        for domain in ("Page", "Runtime", "Log"):
            self.call(domain + ".enable")
        self.call("Page.setLifecycleEventsEnabled", {"enabled": True})
        # A headless window never has the system's focus; a player's tab in front does.
        self.call("Emulation.setFocusEmulationEnabled", {"enabled": True})

    def _event(self, message):
        if message.get("sessionId") != self.session:
            return
        method, params = message.get("method"), message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(_remote_text(a) for a in params.get("args", []))
            self.console.append("%s: %s" % (params.get("type"), text))
            if params.get("type") in ("error", "assert"):
                self.errors.append("console.%s: %s" % (params.get("type"), text))
        elif method == "Runtime.exceptionThrown":
            d = params.get("exceptionDetails", {})
            text = _remote_text(d.get("exception", {})) if d.get("exception") else d.get("text", "")
            self.errors.append("uncaught: %s (%s:%s)" % (text, d.get("url", ""), d.get("lineNumber", "")))
        elif method == "Log.entryAdded":
            entry = params.get("entry", {})
            self.console.append("log %s: %s" % (entry.get("level"), entry.get("text")))
            if entry.get("level") == "error":
                self.errors.append("%s: %s %s" % (entry.get("source"), entry.get("text"), entry.get("url", "")))
        elif method == "Page.loadEventFired":
            self._loads += 1

    def call(self, method, params=None, timeout=DEFAULT_WAIT):
        return self.browser.call(method, params, session=self.session, timeout=timeout)

    def navigate(self, url, timeout=DEFAULT_WAIT):
        """Loads url and waits for its load event."""
        loads = self._loads
        result = self.call("Page.navigate", {"url": url}, timeout=timeout)
        if result.get("errorText"):
            raise BrowserError("%s: %s" % (url, result["errorText"]))
        self.wait(lambda: self._loads > loads, timeout, "the load event of " + url)

    def reload(self, timeout=DEFAULT_WAIT):
        """A player's reload (not a forced one: the service worker still answers)."""
        loads = self._loads
        self.call("Page.reload", {"ignoreCache": False})
        self.wait(lambda: self._loads > loads, timeout, "the load event after a reload")

    def eval(self, expression, timeout=DEFAULT_WAIT):
        """The value of a JavaScript expression (promises are awaited), as JSON gives it."""
        r = self.call(
            "Runtime.evaluate",
            {"expression": expression, "returnByValue": True, "awaitPromise": True},
            timeout=timeout,
        )
        if "exceptionDetails" in r:
            d = r["exceptionDetails"]
            raise BrowserError(
                "%s: %s" % (expression[:80], _remote_text(d["exception"]) if "exception" in d else d.get("text"))
            )
        return r.get("result", {}).get("value")

    def wait(self, condition, timeout=DEFAULT_WAIT, what="a condition", every=0.05):
        """Polls condition() until it is true; raises after timeout seconds."""
        deadline = time.monotonic() + timeout
        while True:
            value = condition()
            if value:
                return value
            if time.monotonic() > deadline:
                raise BrowserError(
                    "waited %.0f s for %s; console errors: %s" % (timeout, what, self.errors[-5:] or "none")
                )
            time.sleep(every)

    def wait_for(self, expression, timeout=DEFAULT_WAIT, what=None):
        """Waits until a JavaScript expression is truthy; returns its value."""
        return self.wait(lambda: self.eval(expression), timeout, what or expression)

    def screenshot(self, **params):
        """The page as PNG bytes."""
        return base64.b64decode(self.call("Page.captureScreenshot", dict({"format": "png"}, **params))["data"])

    def set_device(self, width, height, scale=1, mobile=False):
        self.call(
            "Emulation.setDeviceMetricsOverride",
            {"width": width, "height": height, "deviceScaleFactor": scale, "mobile": mobile},
        )

    # -- input, as the browser's own input pipeline delivers it --

    _KEYS = {
        "Up": ("ArrowUp", "ArrowUp", 38, ""),
        "Down": ("ArrowDown", "ArrowDown", 40, ""),
        "Left": ("ArrowLeft", "ArrowLeft", 37, ""),
        "Right": ("ArrowRight", "ArrowRight", 39, ""),
        "Space": (" ", "Space", 32, " "),
        "Enter": ("Enter", "Enter", 13, "\r"),
    }

    def key(self, name, kind="tap"):
        """kind: "press", "release" or "tap" (both)."""
        key, code, vk, text = self._KEYS[name]
        base = {"key": key, "code": code, "windowsVirtualKeyCode": vk, "nativeVirtualKeyCode": vk}
        if kind in ("press", "tap"):
            down = dict(base, type="keyDown" if text else "rawKeyDown")
            if text:
                down["text"] = text
            self.call("Input.dispatchKeyEvent", down)
        if kind in ("release", "tap"):
            self.call("Input.dispatchKeyEvent", dict(base, type="keyUp"))

    def click(self, x, y):
        for kind in ("mouseMoved", "mousePressed", "mouseReleased"):
            params = {"type": kind, "x": x, "y": y, "button": "left" if kind != "mouseMoved" else "none"}
            if kind != "mouseMoved":
                params["clickCount"] = 1
            self.call("Input.dispatchMouseEvent", params)

    def tap(self, x, y):
        self.call("Input.dispatchTouchEvent", {"type": "touchStart", "touchPoints": [{"x": x, "y": y}]})
        self.call("Input.dispatchTouchEvent", {"type": "touchEnd", "touchPoints": []})

    def element_box(self, selector):
        """The element's box in CSS pixels: [left, top, width, height]."""
        return self.eval(
            "(() => { const r = document.querySelector(%s).getBoundingClientRect();"
            " return [r.left, r.top, r.width, r.height]; })()" % json.dumps(selector)
        )

    def canvas_rgb(self, selector="canvas"):
        """The canvas's backing store as (width, height, RGB bytes)."""
        w, h, data = self.eval(
            "(() => { const c = document.querySelector(%s);"
            " const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;"
            " let s = ''; for (let i = 0; i < d.length; i += 4)"
            " s += String.fromCharCode(d[i], d[i + 1], d[i + 2]);"
            " return [c.width, c.height, btoa(s)]; })()" % json.dumps(selector)
        )
        return w, h, base64.b64decode(data)

    # -- looking away --

    def hide(self):
        """Makes the page hidden as a player's switch to another tab does: a second tab comes
        to the front. Returns that tab; show() brings this one back."""
        # Focus emulation keeps a page in front whatever happens; a hidden tab has none.
        self.call("Emulation.setFocusEmulationEnabled", {"enabled": False})
        other = self.browser.new_page()
        self.browser.call("Target.activateTarget", {"targetId": other.target})
        self._other = other
        return other

    def show(self):
        self.browser.call("Target.activateTarget", {"targetId": self.target})
        other = getattr(self, "_other", None)
        if other is not None:
            self.browser.call("Target.closeTarget", {"targetId": other.target})
            self._other = None
        self.call("Page.bringToFront")
        self.call("Emulation.setFocusEmulationEnabled", {"enabled": True})


def _remote_text(obj):
    if "value" in obj:
        return str(obj["value"])
    return obj.get("description") or obj.get("unserializableValue") or obj.get("type", "")


def scratch_dir(parent=None, prefix="tavrin-web-"):
    """A fresh folder under TMPDIR (else /tmp)."""
    import tempfile

    return tempfile.mkdtemp(prefix=prefix, dir=parent)


def remove_tree(path):
    shutil.rmtree(path, ignore_errors=True)
