#!/usr/bin/env python3
"""Plays an SWF movie in Ruffle inside headless Chromium and records it.

    ruffle-play.py MOVIE.swf|PAGE.html WIDTH HEIGHT [--param NAME=VALUE ...] [--file PATH ...] [--folder DIR] STEP...

Steps run in order once the movie has loaded:
    wait:MS            let the movie play for MS milliseconds
    shot:FILE          screenshot of the page (.png, or .jpg/.jpeg)
    click:X,Y          press and release the left button at page pixel X,Y
    drag:X,Y,X2,Y2     press at X,Y, move in steps to X2,Y2 and release there
    move:X,Y           move the mouse there

Each --file is served beside the movie under its own name (the FLV that a
player movie streams); --folder serves the files of DIR beside the movie,
for movies that load others by relative name. With MOVIE ending in .html the
page itself is opened from its own folder, with Ruffle added to its head, so
that Ruffle plays the movies its <object>/<embed> markup names. The movie
fills a WIDTH x HEIGHT page at pixel scale. A throwaway HTTP
server on 127.0.0.1 serves the page, Ruffle and the movie; Chromium is
driven through the DevTools protocol on a pipe. Ruffle is looked up in
$RUFFLE_DIR, else build-tools/ruffle/node_modules/@ruffle-rs/ruffle (where
scripts/setup.sh installs it). Ruffle draws with WebGL (Chromium's software
SwiftShader here): its canvas renderer applies a translucent bitmap's alpha
twice. RUFFLE_RENDERER picks another one. RUFFLE_PLAY_CONSOLE=1 copies the page's console (Ruffle's trace
output among it) to stderr. Exit status 3 means Chromium or Ruffle is
missing (the reason goes to stderr), 1 any other failure.
"""
import base64
import functools
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# Added to the head of a page opened as it is: Ruffle replaces its Flash
# markup, and the first player that loads a movie marks the page loaded.
INJECT = """<script>
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = { autoplay: "on", unmuteOverlay: "hidden", splashScreen: false,
  contextMenu: "off", warnOnUnsupportedContent: false, logLevel: "warn", allowScriptAccess: false,
  preferredRenderer: "%(renderer)s" };
window.movieState = "loading";
const watch = setInterval(() => {
  for (const player of document.querySelectorAll("ruffle-object, ruffle-embed, ruffle-player")) {
    if (player.dataset.watched) continue;
    player.dataset.watched = "1";
    const loaded = () => { window.movieState = "loaded"; clearInterval(watch); };
    player.addEventListener("loadedmetadata", loaded);
    player.addEventListener("loadeddata", loaded);
  }
}, 50);
</script>
<script src="ruffle/ruffle.js"></script>
"""

PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><style>
html, body { margin: 0; padding: 0; background: #ffffff; overflow: hidden; }
#player { width: %(w)dpx; height: %(h)dpx; display: block; }
</style></head><body>
<script>
window.RufflePlayer = window.RufflePlayer || {};
window.RufflePlayer.config = { autoplay: "on", unmuteOverlay: "hidden", splashScreen: false,
  contextMenu: "off", letterbox: "off", warnOnUnsupportedContent: false, logLevel: "%(loglevel)s",
  allowScriptAccess: false, preferredRenderer: "%(renderer)s", allowFullscreen: true };
window.movieState = "loading";
window.addEventListener("DOMContentLoaded", () => {
  const player = window.RufflePlayer.newest().createPlayer();
  player.id = "player";
  document.body.appendChild(player);
  player.addEventListener("loadedmetadata", () => { window.movieState = "loaded"; });
  player.addEventListener("loadeddata", () => { window.movieState = "loaded"; });
  const api = player.ruffle ? player.ruffle() : player;
  api.load({ url: "movie.swf", parameters: %(params)s }).catch(e => { window.movieState = "failed: " + e; });
});
</script>
<script src="ruffle/ruffle.js"></script>
</body></html>
"""


def missing(reason):
    print("ruffle-play: " + reason, file=sys.stderr)
    sys.exit(3)


def find_chromium():
    for name in ("chromium", "chromium-browser", "google-chrome"):
        path = shutil.which(name)
        if path:
            return path
    missing("Chromium is not installed (scripts/setup.sh installs Debian's chromium)")


def find_ruffle():
    folder = os.environ.get("RUFFLE_DIR") or os.path.join(
        ROOT, "build-tools", "ruffle", "node_modules", "@ruffle-rs", "ruffle")
    if not os.path.isfile(os.path.join(folder, "ruffle.js")):
        missing("Ruffle is not installed in " + folder + " (scripts/setup.sh installs @ruffle-rs/ruffle)")
    return folder


class Quiet(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      ".wasm": "application/wasm", ".js": "text/javascript", ".swf": "application/x-shockwave-flash",
                      ".flv": "video/x-flv"}

    def log_message(self, *args):
        pass


class DevTools:
    """The DevTools protocol over Chromium's pipe: messages end in NUL."""

    def __init__(self, to_browser, from_browser):
        self.out = to_browser
        self.inp = from_browser
        self.next_id = 0
        self.buffer = b""
        self.session = None
        self.console = os.environ.get("RUFFLE_PLAY_CONSOLE") == "1"

    def call(self, method, timeout=30, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if self.session and not method.startswith("Target."):
            message["sessionId"] = self.session
        os.write(self.out, json.dumps(message).encode() + b"\0")
        deadline = time.time() + timeout
        while time.time() < deadline:
            while b"\0" in self.buffer:
                raw, self.buffer = self.buffer.split(b"\0", 1)
                reply = json.loads(raw)
                if reply.get("method") == "Runtime.consoleAPICalled" and self.console:
                    args = reply["params"].get("args", [])
                    print("console: " + " ".join(str(a.get("value", a.get("description", ""))) for a in args),
                          file=sys.stderr)
                if reply.get("id") == self.next_id:
                    if "error" in reply:
                        raise RuntimeError(method + ": " + reply["error"].get("message", "error"))
                    return reply.get("result", {})
            chunk = os.read(self.inp, 1 << 20)
            if not chunk:
                raise RuntimeError("Chromium closed the DevTools pipe")
            self.buffer += chunk
        raise RuntimeError(method + ": no answer")

    def evaluate(self, expression):
        return self.call("Runtime.evaluate", expression=expression, returnByValue=True)["result"].get("value")


def run(movie, width, height, params, steps, files=(), folder=None):
    chromium = find_chromium()
    ruffle = find_ruffle()
    site = tempfile.mkdtemp(prefix="ruffle-play-")
    browser = None
    server = None
    try:
        shutil.copytree(ruffle, os.path.join(site, "ruffle"))
        if folder:
            for name in os.listdir(folder):
                if os.path.isfile(os.path.join(folder, name)):
                    shutil.copyfile(os.path.join(folder, name), os.path.join(site, name))
        renderer = os.environ.get("RUFFLE_RENDERER", "webgl")
        if movie.lower().endswith((".html", ".htm")):
            for name in os.listdir(os.path.dirname(os.path.abspath(movie))):
                path = os.path.join(os.path.dirname(os.path.abspath(movie)), name)
                if os.path.isfile(path):
                    shutil.copyfile(path, os.path.join(site, name))
            with open(movie, encoding="utf-8", errors="replace") as original:
                text = original.read()
            head = text.lower().find("<head>")
            at = head + len("<head>") if head >= 0 else 0
            with open(os.path.join(site, "index.html"), "w", encoding="utf-8") as page:
                page.write(text[:at] + INJECT % {"renderer": renderer} + text[at:])
        else:
            shutil.copyfile(movie, os.path.join(site, "movie.swf"))
            for extra in files:
                shutil.copyfile(extra, os.path.join(site, os.path.basename(extra)))
            with open(os.path.join(site, "index.html"), "w") as page:
                page.write(PAGE % {"w": width, "h": height, "params": json.dumps(params), "renderer": renderer,
                                   "loglevel": "info" if os.environ.get("RUFFLE_PLAY_CONSOLE") == "1" else "warn"})
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), functools.partial(Quiet, directory=site))
        threading.Thread(target=server.serve_forever, daemon=True).start()
        url = "http://127.0.0.1:%d/index.html" % server.server_address[1]

        to_browser_r, to_browser_w = os.pipe()
        from_browser_r, from_browser_w = os.pipe()

        profile = os.path.join(site, "profile")
        # Chromium reads DevTools commands from fd 3 and answers on fd 4.
        browser = subprocess.Popen(
            ["/bin/sh", "-c", 'exec "$0" "$@" 3<&%d 4>&%d' % (to_browser_r, from_browser_w),
             chromium, "--headless=new", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--no-first-run", "--no-default-browser-check", "--disable-extensions", "--mute-audio",
             "--autoplay-policy=no-user-gesture-required", "--enable-unsafe-swiftshader", "--user-data-dir=" + profile,
             "--window-size=%d,%d" % (width, height), "about:blank"],
            pass_fds=(to_browser_r, from_browser_w),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        tools = DevTools(to_browser_w, from_browser_r)
        page = next(t for t in tools.call("Target.getTargets")["targetInfos"] if t["type"] == "page")
        tools.session = tools.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        tools.call("Page.enable")
        tools.call("Runtime.enable")
        tools.call("Emulation.setDeviceMetricsOverride", width=width, height=height, deviceScaleFactor=1, mobile=False)
        tools.call("Page.navigate", url=url)
        deadline = time.time() + 30
        state = None
        while time.time() < deadline:
            state = tools.evaluate("window.movieState")
            if state and state != "loading":
                break
            time.sleep(0.1)
        if state != "loaded":
            raise RuntimeError("the movie did not load: %s" % state)
        for step in steps:
            kind, _, arg = step.partition(":")
            if kind == "wait":
                time.sleep(int(arg) / 1000.0)
            elif kind == "shot":
                fmt = "jpeg" if arg.lower().endswith((".jpg", ".jpeg")) else "png"
                extra = {"quality": 95} if fmt == "jpeg" else {}
                data = tools.call("Page.captureScreenshot", format=fmt, **extra)["data"]
                with open(arg, "wb") as out:
                    out.write(base64.b64decode(data))
            elif kind in ("click", "move"):
                x, y = (float(v) for v in arg.split(","))
                tools.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
                if kind == "click":
                    for event in ("mousePressed", "mouseReleased"):
                        tools.call("Input.dispatchMouseEvent", type=event, x=x, y=y, button="left", clickCount=1)
                        time.sleep(0.05)
            elif kind == "drag":
                x, y, x2, y2 = (float(v) for v in arg.split(","))
                tools.call("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
                tools.call("Input.dispatchMouseEvent", type="mousePressed", x=x, y=y, button="left", clickCount=1)
                for i in range(1, 11):
                    time.sleep(0.03)
                    tools.call("Input.dispatchMouseEvent", type="mouseMoved", button="left", buttons=1,
                               x=x + (x2 - x) * i / 10, y=y + (y2 - y) * i / 10)
                tools.call("Input.dispatchMouseEvent", type="mouseReleased", x=x2, y=y2, button="left", clickCount=1)
                time.sleep(0.05)
            else:
                raise RuntimeError("unknown step " + step)
        try:
            tools.call("Browser.close", timeout=5)
        except RuntimeError:
            pass
    finally:
        if browser:
            try:
                browser.wait(timeout=5)
            except subprocess.TimeoutExpired:
                browser.kill()
                browser.wait()
        if server:
            server.shutdown()
            server.server_close()
        shutil.rmtree(site, ignore_errors=True)


def main(argv):
    if len(argv) < 4:
        print(__doc__, file=sys.stderr)
        return 2
    movie, width, height = argv[1], int(argv[2]), int(argv[3])
    params = {}
    files = []
    folder = None
    steps = []
    rest = argv[4:]
    while rest:
        if rest[0] == "--param" and len(rest) > 1:
            name, _, value = rest[1].partition("=")
            params[name] = value
            rest = rest[2:]
        elif rest[0] == "--file" and len(rest) > 1:
            files.append(rest[1])
            rest = rest[2:]
        elif rest[0] == "--folder" and len(rest) > 1:
            folder = rest[1]
            rest = rest[2:]
        else:
            steps.append(rest[0])
            rest = rest[1:]
    try:
        run(movie, width, height, params, steps, files, folder)
    except (RuntimeError, OSError, StopIteration) as error:
        print("ruffle-play: " + str(error), file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
