#!/usr/bin/python3
"""Takes the README's screenshots of the TV page: a sample shared folder with
stills, served by the real nginx on a loopback port and shown in headless
Chromium at 1280 x 720 (a TV) and 412 x 915 (a phone).
  /usr/bin/python3 docs/make_tvpage_screenshots.py [build dir]
  (writes docs/tvpage-tv.png and docs/tvpage-phone.png)"""

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


def make_sample(root):
    for name in FOLDERS:
        os.makedirs(os.path.join(root, name))
    os.makedirs(os.path.join(root, "VTemp"))
    for index, name in enumerate(VIDEOS):
        open(os.path.join(root, name), "wb").close()
        if index == 3:
            continue  # one still not made yet: the placeholder shows
        still = os.path.join(root, "VTemp", name.rsplit(".", 1)[0] + ".png")
        subprocess.run(["ffmpeg", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                        "testsrc2=size=640x360:rate=1,hue=h=%d" % (index * 37), "-frames:v", "1", still],
                       check=True)
    with open(os.path.join(root, "照片说明.txt"), "w") as f:
        f.write("说明")


def shoot(server, width, height, path):
    driver = tvserver.browser(width, height)
    try:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
        driver.get(server.url())
        driver.execute_script("window.scrollTo(0, 0)")
        driver.execute_async_script("var done = arguments[0]; setTimeout(done, 1500)")
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
        shoot(server, 1280, 720, os.path.join(ROOT, "docs", "tvpage-tv.png"))
        shoot(server, 412, 915, os.path.join(ROOT, "docs", "tvpage-phone.png"))
    finally:
        if server:
            server.stop()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
