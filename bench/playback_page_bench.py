#!/usr/bin/python3
"""The TV page's playback benchmark (no test): three 1080p films of 60 s, one
of each way a video reaches the browser (H.264 with AAC in MP4, played as it
is; H.264 with AC-3 5.1 in Matroska, repackaged; Xvid with MP3 in AVI,
converted), served by the real nginx and the program's playback helper on
loopback ports and played in headless Chromium at 1280 x 720, each once and
cold for the helper (a short clip played first warms up the browser's own
media stack, which a TV has running). Prints, per film, the time from Enter to the first frame drawn and from
a seek to the middle to the first frame there; then the helper's processor
use in each 5 s after the player closes, and its memory at its peak.
  /usr/bin/python3 bench/playback_page_bench.py [build dir] [seconds]"""

import os
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "tvpage"))
import tvserver  # noqa: E402

FILMS = [("as it is", "film.mp4", ["-c:v", "libx264", "-preset", "veryfast", "-g", "50", "-c:a", "aac"]),
         ("remux", "film.mkv", ["-c:v", "libx264", "-preset", "veryfast", "-g", "50", "-ac", "6", "-c:a", "ac3"]),
         ("transcode", "film.avi", ["-c:v", "mpeg4", "-vtag", "XVID", "-q:v", "4", "-c:a", "libmp3lame"])]

# Milliseconds from now until the player has a decoded frame at `at` (or
# later) to show: HAVE_CURRENT_DATA, not seeking.
UNTIL_FRAME = """
    var done = arguments[arguments.length - 1], at = arguments[0], start = performance.now();
    (function wait() {
        var v = document.querySelector('.tvp-player video');
        if (v && v.currentTime >= at && v.webkitDecodedFrameCount > 0 && !v.seeking && v.readyState >= 2)
            done(performance.now() - start);
        else if (performance.now() - start > 30000) done(-1);
        else setTimeout(wait, 10);
    })();"""


def make_films(root, seconds):
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=640x360:r=25:d=2",
                    "-c:v", "libx264", os.path.join(root, "warm-up.mp4")], check=True)
    for _, name, codecs in FILMS:
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i",
                        "testsrc2=s=1920x1080:r=25:d=%d" % seconds, "-f", "lavfi", "-i", "sine=d=%d" % seconds]
                       + codecs + [os.path.join(root, name)], check=True)


def play(driver, server, name, seconds):
    driver.get(server.url())
    driver.execute_async_script(
        "var done = arguments[0]; (function wait() {"
        " if (window.tvpageReady) done(); else setTimeout(wait, 20); })()")
    driver.execute_script(
        "var name = arguments[0];"
        "[].filter.call(document.querySelectorAll('.tvp-tile'), function (t) { return t.title === name; })"
        "[0].focus()", name)
    from selenium.webdriver.common.keys import Keys
    driver.switch_to.active_element.send_keys(Keys.ENTER)
    first = driver.execute_async_script(UNTIL_FRAME, 0)
    driver.execute_script("document.querySelector('.tvp-player video').currentTime = arguments[0]", seconds / 2)
    seek = driver.execute_async_script(UNTIL_FRAME, seconds / 2 - 0.1)
    driver.switch_to.active_element.send_keys(Keys.ESCAPE)
    return first, seek


def straight_from_nginx(driver, server, name):
    """The anchor: the same file set straight into a bare video element, without
    the page or the helper: the browser's own time to its first frame."""
    driver.get(server.url() + "VTemp/")
    driver.execute_script(
        "document.body.innerHTML = ''; var v = document.createElement('video'); v.autoplay = true;"
        " v.className = 'tvp-player'; document.body.appendChild(v); window.bareStart = performance.now();"
        " v.src = arguments[0];", server.url() + name)
    return driver.execute_async_script(UNTIL_FRAME.replace(".tvp-player video", "video"), 0)


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def peak_memory_mb(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) // 1024
    return 0


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    seconds = int(sys.argv[2]) if len(sys.argv) > 2 else 60
    fill = lambda root: make_films(root, seconds)
    browser = lambda: tvserver.browser(1280, 720)  # noqa: E731
    with tvserver.served(build, "playback-bench-", fill, browser) as (_, server, driver):
        play(driver, server, "warm-up.mp4", 2)
        for way, name, _ in FILMS:
            first, seek = play(driver, server, name, seconds)
            print("%-10s %s: Enter to the first frame %5.0f ms; a seek to the middle %5.0f ms" %
                  (way, name, first, seek))
        print("anchor: film.mp4 set straight into a bare video element, to its first frame %5.0f ms" %
              straight_from_nginx(driver, server, "film.mp4"))
        driver.get("about:blank")
        pid = server.helper.pid
        before = cpu_seconds(pid)
        for window in range(1, 8):
            time.sleep(5)
            now = cpu_seconds(pid)
            print("helper's processor use %2d-%2d s after the player closed: %5.1f %%" %
                  (window * 5 - 5, window * 5, (now - before) / 5 * 100))
            before = now
        print("helper's memory at its peak: %d MB" % peak_memory_mb(pid))


if __name__ == "__main__":
    main()
