"""The real nginx of this machine serving a shared folder with the TV page,
on a loopback port, laid out from the build's server directory as the program
lays it out; and a headless Chromium driven through Selenium that logs in to
it, or WebKitGTK's MiniBrowser (on the X display the caller gives). Used by
the browser tests, the benchmark and the screenshot script."""

import base64
import contextlib
import os
import shutil
import socket
import struct
import subprocess
import tempfile
import time
import urllib.request
import zlib

SHARE = "电影"
USER = "guest"
PASSWORD = "p@ss w'rd"


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def png(width, height, rgb):
    """A plain RGB PNG of one colour, as the stills are written."""
    row = b"\0" + bytes(rgb) * width
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(row * height)) + chunk(b"IEND", b""))


class Server:
    """nginx in the foreground and the program's playback helper behind it,
    children of this process, ended by stop()."""

    def __init__(self, build_dir, shared_folder):
        self.port = free_port()
        self.work = tempfile.mkdtemp(prefix="tvpage-server-")
        self.helper = subprocess.Popen(
            [os.path.join(os.path.abspath(build_dir), "tests", "tvpage_playback_helper"), shared_folder, SHARE,
             os.path.join(self.work, "segments")],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE)
        helper_port, secret = self.helper.stdout.readline().decode().split()
        self.server_dir = os.path.join(self.work, "server")
        built = os.path.join(os.path.abspath(build_dir), "vomrixserver", "server")
        os.makedirs(os.path.join(self.server_dir, "conf"))
        for sub in ("logs", "temp"):
            os.makedirs(os.path.join(self.server_dir, sub))
        shutil.copy(os.path.join(built, "conf", "mime.types"), os.path.join(self.server_dir, "conf"))
        shutil.copytree(os.path.join(built, "tvpage"), os.path.join(self.server_dir, "tvpage"))
        password_file = os.path.join(self.server_dir, ".htpasswd")
        with open(os.path.join(built, "conf", "nginx.confbak"), encoding="utf-8") as f:
            config = f.read()
        for word, value in (("name1", shared_folder), ("name2", password_file), ("name3", str(self.port)),
                            ("name4", SHARE), ("name5", helper_port), ("name6", secret), ("username", USER),
                            ("password", PASSWORD)):
            config = config.replace(word, value)
        with open(os.path.join(self.server_dir, "conf", "nginx.conf"), "w", encoding="utf-8") as f:
            f.write(config)
        # The program's list of denied links; the test folders hold none.
        open(os.path.join(self.server_dir, "conf", "denied_links.conf"), "w").close()
        subprocess.run([os.path.join(built, "htpasswd"), "-i", "-c", password_file, USER],
                       input=PASSWORD.encode(), check=True, capture_output=True)
        extra = []
        if "daemon " not in config:
            extra.append("daemon off;")
        if os.getuid() == 0 and "\nuser " not in config:
            extra.append("user root root;")
        self.process = subprocess.Popen(
            [os.path.join(built, "nginx"), "-p", self.server_dir + "/", "-c", "conf/nginx.conf",
             "-e", "logs/error.log", "-g", " ".join(extra)],
            cwd=self.server_dir, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self._wait_until_listening()

    def _wait_until_listening(self):
        deadline = time.time() + 10
        while time.time() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("nginx ended: " + self.process.stderr.read().decode(errors="replace"))
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=0.2).close()
                return
            except OSError:
                time.sleep(0.05)
        self.stop()
        raise RuntimeError("nginx did not listen")

    def url(self, path="", with_password=False):
        """An address in the share; with the password in it for browsers that
        cannot be given a header, which then send it to the page's requests too."""
        login = "%s:%s@" % (urllib.request.quote(USER), urllib.request.quote(PASSWORD, safe="")) if with_password else ""
        return "http://%s127.0.0.1:%d/%s/%s" % (login, self.port, urllib.request.quote(SHARE), path)

    def stop(self):
        self.helper.stdin.close()
        self.helper.wait(timeout=10)
        self.helper.stdout.close()
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        self.process.stderr.close()
        shutil.rmtree(self.work, ignore_errors=True)


def authorization(user=USER, password=PASSWORD):
    return "Basic " + base64.b64encode((user + ":" + password).encode()).decode()


def fetch(url, auth=True, headers=()):
    """(status, headers, body) of a plain GET, as a program reading the share sees it."""
    request = urllib.request.Request(url, headers=dict(headers))
    if auth:
        request.add_header("Authorization", authorization())
    try:
        with urllib.request.urlopen(request, timeout=10) as response:
            return response.status, response.headers, response.read()
    except urllib.error.HTTPError as error:
        return error.code, error.headers, error.read()


def browser(width, height, javascript=True):
    """Headless Chromium logged in to the share through an Authorization header."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    profile = tempfile.mkdtemp(prefix="tvpage-chromium-")
    for flag in ("--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
                 "--disable-background-networking", "--disable-component-update", "--disable-sync",
                 "--hide-scrollbars", "--disable-crash-reporter", "--disable-breakpad", "--user-data-dir=" + profile, "--window-size=%d,%d" % (width, height),
                 "--autoplay-policy=no-user-gesture-required", "--mute-audio"):
        options.add_argument(flag)
    if not javascript:
        options.add_experimental_option("prefs", {"profile.managed_default_content_settings.javascript": 2})
    driver = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.setExtraHTTPHeaders", {"headers": {"Authorization": authorization()}})
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})
    original_quit = driver.quit
    def quit():
        try:
            original_quit()
        finally:
            shutil.rmtree(profile, ignore_errors=True)
    driver.quit = quit
    return driver


def webkit_browser(width, height):
    """WebKitGTK's MiniBrowser through WebKitWebDriver, letting videos start
    with sound without a click, as the Chromium above. It takes no header:
    open the share with url(..., with_password=True)."""
    from selenium import webdriver
    options = webdriver.WebKitGTKOptions()
    options.binary_location = "/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser"
    options.add_argument("--automation")
    options.add_argument("--autoplay-policy=allow")
    driver = webdriver.WebKitGTK(executable_path="/usr/bin/WebKitWebDriver", options=options)
    driver.set_window_size(width, height)
    return driver


@contextlib.contextmanager
def served(build_dir, prefix, fill, make_browser):
    """A new folder filled by `fill`, served by nginx and the playback helper,
    and a browser from `make_browser`: (folder, server, driver); all of them
    ended and removed afterwards, whatever happened."""
    folder = tempfile.mkdtemp(prefix=prefix)
    os.chmod(folder, 0o755)
    server = driver = None
    try:
        fill(folder)
        server = Server(build_dir, folder)
        driver = make_browser()
        yield folder, server, driver
    finally:
        try:
            if driver:
                driver.quit()
        finally:
            if server:
                server.stop()
            shutil.rmtree(folder, ignore_errors=True)


def wait_for(condition, timeout=10):
    """What `condition` returns once it is true, polled until `timeout` seconds."""
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    return condition()
