#!/usr/bin/python3
"""Takes the README's screenshots of the TV page: a sample shared folder with
stills, served by the real nginx on a loopback port and shown in headless
Chromium at 1280 x 720 (a TV, with a few videos partly watched: the
"继续观看" row, progress bars and a watched mark), 412 x 915 (a phone), and
a film playing at 1280 x 720 with the subtitle file beside it showing.
  /usr/bin/python3 docs/make_tvpage_screenshots.py [build dir]
  (writes docs/tvpage-tv.png, docs/tvpage-phone.png and docs/tvpage-subtitle.png)"""

import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "tvpage"))
import tvserver  # noqa: E402

FOLDERS = ["纪录片", "动画片", "第二季"]
VIDEOS = ["家庭聚会 第%d集.mp4" % n for n in range(1, 11)] + ["海边旅行.mkv", "生日.avi"]
# Where the browser left videos: (path below the share, seconds in, length,
# watched to the end), newest first.
WATCHED = [("纪录片/海洋 第2集.mp4", 1500, 2700, 0), ("家庭聚会 第2集.mp4", 600, 1800, 0),
           ("动画片/小猪 第5集.mp4", 400, 600, 0), ("家庭聚会 第1集.mp4", 0, 1800, 1)]
# A real film among them, with a GBK subtitle file beside it.
FILM = "家庭聚会 第3集.mp4"
SUBTITLE = "1\r\n00:00:00,500 --> 00:00:30,000\r\n大家好，欢迎来到今年的家庭聚会！\r\n"


def make_still(root, path, hue):
    """The still of the video at `path` below the shared folder `root`."""
    still = os.path.join(root, "VTemp", path.rsplit(".", 1)[0] + ".png")
    os.makedirs(os.path.dirname(still), exist_ok=True)
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                    "testsrc2=size=640x360:rate=1,hue=h=%d" % hue, "-frames:v", "1", still], check=True)


def make_sample(root):
    for name in FOLDERS:
        os.makedirs(os.path.join(root, name))
    for index, name in enumerate(VIDEOS):
        open(os.path.join(root, name), "wb").close()
        if index != 3:  # one still not made yet: the placeholder shows
            make_still(root, name, index * 37)
    for index, (path, _, _, _) in enumerate(WATCHED):
        if "/" in path:
            open(os.path.join(root, path), "wb").close()
            make_still(root, path, 200 + index * 50)
    with open(os.path.join(root, "照片说明.txt"), "w") as f:
        f.write("说明")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25,hue=h=74",
                    "-f", "lavfi", "-i", "sine=frequency=440", "-t", "30", "-c:v", "libx264", "-pix_fmt", "yuv420p",
                    "-c:a", "aac", os.path.join(root, FILM)], check=True)
    with open(os.path.join(root, FILM.rsplit(".", 1)[0] + ".srt"), "wb") as f:
        f.write(SUBTITLE.encode("gbk"))


def remember_watched(driver):
    """The page's own record of where each video was left, as playing them leaves it."""
    driver.execute_script(
        "var base = location.pathname, now = Date.now();"
        " arguments[0].forEach(function (w, i) {"
        "   localStorage.setItem('tvp-watch:' + base + w[0].split('/').map(encodeURIComponent).join('/'),"
        "     JSON.stringify({ t: w[1], d: w[2], w: w[3], at: now - i * 60000 })); });", WATCHED)


def shoot(server, width, height, path, watched=False):
    driver = tvserver.browser(width, height)
    try:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
        driver.get(server.url())
        if watched:
            remember_watched(driver)
            driver.refresh()
        driver.execute_script("window.scrollTo(0, 0)")
        driver.execute_async_script("var done = arguments[0]; setTimeout(done, 1500)")
        driver.save_screenshot(path)
    finally:
        driver.quit()


def shoot_subtitle(server, path):
    """The film playing with its subtitle showing, paused on a frame with a cue."""
    driver = tvserver.browser(1280, 720)
    try:
        driver.get(server.url())
        driver.execute_script("var name = arguments[0]; [].filter.call(document.querySelectorAll('.tvp-tile'), function (t) {"
                              " return t.title === name; })[0].click()", FILM)
        cue = ("var v = document.querySelector('video'); return !!v && v.currentTime > 2 &&"
               " [].some.call(v.textTracks, function (t) { return t.mode === 'showing' && t.activeCues &&"
               " t.activeCues.length > 0; })")
        if not tvserver.wait_for(lambda: driver.execute_script(cue), 30):
            raise RuntimeError("the film's subtitle never showed")
        driver.execute_script("document.querySelector('video').pause()")
        driver.execute_async_script("var done = arguments[0]; setTimeout(done, 1000)")
        driver.save_screenshot(path)
    finally:
        driver.quit()


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    folder = tempfile.mkdtemp(prefix="tvpage-sample-")
    os.chmod(folder, 0o755)
    server = None
    try:
        make_sample(folder)
        server = tvserver.Server(build, folder)
        shoot(server, 1280, 720, os.path.join(ROOT, "docs", "tvpage-tv.png"), watched=True)
        shoot(server, 412, 915, os.path.join(ROOT, "docs", "tvpage-phone.png"))
        shoot_subtitle(server, os.path.join(ROOT, "docs", "tvpage-subtitle.png"))
    finally:
        if server:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
