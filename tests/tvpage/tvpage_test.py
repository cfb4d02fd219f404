"""The TV page in a real headless Chromium against the real nginx on a loopback
port: the tiles and stills of a fixture tree, the remote control's keys, the
player, the sizes, and that programs reading the share see what they saw
before. Run: /usr/bin/python3 tvpage_test.py <build dir>"""

import contextlib
import json
import os
import re
import shutil
import subprocess
import sys
import time
import unittest
import urllib.parse

import tvserver

BUILD = None
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")

HOSTILE = "a<b>\"c'&#%?\\d 第1集.mp4"
LONG = "一部名字很长很长的电影_" + "x" * 60 + "_结尾.mkv"
BROKEN = "坏了.avi"
NEWLINE = "two\nlines.mp4"
SUBFOLDER = "第二季"
MANY = "很多"
MANY_VIDEOS = 300
VIDEOS = ["第2集.mp4", "第10集.mp4", "第1集.mp4", HOSTILE, LONG, NEWLINE, BROKEN, "无图.mp4"]
OTHERS = ["说明.txt", "封面.jpg"]
RED, GREEN = (200, 30, 30), (30, 200, 30)
# Below 第二季/更深, names the page once got wrong: a line break just before
# the extension, and names in GBK bytes, as old Windows archives hold them.
DEEP = os.path.join(SUBFOLDER, "更深")
LINE_BREAKS = ["a\n.mp4", "b\r.mp4", "c\u2028.mp4", "d\u2029.mp4"]
GBK_VIDEO = "第4集.mp4"
GBK_FOLDER = "旧片"
# One file of every video kind the page is served, in both cases, and near misses.
KINDS_FOLDER = "各种"
NOT_VIDEOS = ["样.mp4.txt", "样.mp", "样.tsx", "样.mp4x"]
# Films as downloads come, which browsers play only through the helper:
# H.264 with AC-3 5.1 sound in Matroska, 12 s with a key frame every 2 s,
# repackaged; Xvid with MP3 sound in AVI, converted.
FILMS = os.path.join(DEEP, "放映")
# Below 第二季/更深 too: a 30 s film to go on with, and a 0.2 s clip that
# ends at once.
WATCHING = os.path.join(DEEP, "续播")
LONG_FILM, SHORT_CLIP = "长片.mp4", "短片.mp4"
# 61 videos, a lone tile in the last row of four and a file below; each a
# minute newer than the one before.
ROWS = os.path.join(DEEP, "满屏")
ROW_VIDEOS = ["%d.mp4" % n for n in range(1, 62)]
# Below 第二季/更深, 8 s films: one with two subtitle files beside it (the
# Chinese one in GBK), one with its subtitles inside (two cues, "一" to 3.9 s
# and "二" from 4 s) and AC-3 sound, which has it repackaged, and one with
# two sound tracks, a 440 Hz tone in Chinese and a 1000 Hz one in English.
# The converted film has such cues beside it, "前半" and "后半" from 6 s.
# And a film with Blu-ray (PGS) subtitles only, which the page cannot show.
CHOICES = os.path.join(DEEP, "选字幕")
SIDECARS, EMBEDDED, TWO_TRACKS, PICTURES = "外挂.mp4", "内嵌.mkv", "双音轨.mp4", "图形字幕.mkv"
# Twins, which share a stem, each with a still under its whole name, as is
# "同名.mp4.mkv", whose stem is "同名.mp4"'s whole name; a lone video's still
# under its stem.
TWINS = os.path.join(DEEP, "重名")
TWIN_STILLS = {"同名.mkv": "同名.mkv.png", "同名.mp4": "同名.mp4.png", "同名.mp4.mkv": "同名.mp4.mkv.png",
               "独.mp4": "独.png"}

RUNNING = contextlib.ExitStack()
server = None
folder = None
driver = None


def make_tree(root):
    """Videos with and without stills, a subfolder, other files, VTemp."""
    for name in VIDEOS:
        source = "not_media.mp4" if name == BROKEN else "clip.mp4"
        shutil.copy(os.path.join(DATA, source), os.path.join(root, name))
    for name in OTHERS:
        with open(os.path.join(root, name), "w") as f:
            f.write(name)
    os.makedirs(os.path.join(root, SUBFOLDER, "更深"))
    os.makedirs(os.path.join(root, "网页"))
    with open(os.path.join(root, "网页", "index.html"), "w") as f:
        f.write("<html><body><h1>Index of /mine/</h1><pre><a href='x'>x</a></pre><p id=own>own page</p></body></html>")
    os.makedirs(os.path.join(root, MANY, "VTemp"))
    for n in range(1, MANY_VIDEOS + 1):
        open(os.path.join(root, MANY, "%d.mp4" % n), "w").close()
        with open(os.path.join(root, MANY, "VTemp", "%d.png" % n), "wb") as f:
            f.write(tvserver.png(16, 9, GREEN))
    os.makedirs(os.path.join(root, "VTemp", SUBFOLDER))
    shutil.copy(os.path.join(DATA, "clip.mp4"), os.path.join(root, SUBFOLDER, "第3集.mp4"))
    for name in VIDEOS:
        if name != "无图.mp4":
            write_still(root, name, RED)
    write_still(os.path.join(root, SUBFOLDER), "第3集.mp4", GREEN, os.path.join(root, "VTemp", SUBFOLDER))
    make_odd_names(root)
    make_twins(root)
    os.makedirs(os.path.join(root, FILMS))
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=320x180:r=25:d=12",
                    "-f", "lavfi", "-i", "sine=d=12", "-ac", "6", "-c:v", "libx264", "-preset", "ultrafast",
                    "-g", "50", "-c:a", "ac3", os.path.join(root, FILMS, "film.mkv")], check=True)
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=640x360:r=25:d=12",
                    "-f", "lavfi", "-i", "sine=d=12", "-c:v", "mpeg4", "-vtag", "XVID", "-c:a", "libmp3lame",
                    os.path.join(root, FILMS, "old.avi")], check=True)
    os.makedirs(os.path.join(root, WATCHING))
    subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=160x90:r=10:d=30",
                    "-c:v", "libx264", "-preset", "ultrafast", "-g", "10", os.path.join(root, WATCHING, LONG_FILM)],
                   check=True)
    shutil.copy(os.path.join(DATA, "clip.mp4"), os.path.join(root, WATCHING, SHORT_CLIP))
    with open(os.path.join(root, FILMS, "old.srt"), "w") as f:
        f.write(halves(12, "前半", "后半"))
    make_choices(os.path.join(root, CHOICES))
    os.makedirs(os.path.join(root, ROWS))
    for n, name in enumerate(ROW_VIDEOS + ["说明.txt"]):
        path = os.path.join(root, ROWS, name)
        open(path, "w").close()
        os.utime(path, (1.7e9 + 60 * n, 1.7e9 + 60 * n))


def make_choices(root):
    os.makedirs(root)
    picture = ["-f", "lavfi", "-i", "testsrc2=s=160x90:r=10:d=8"]
    h264 = ["-c:v", "libx264", "-preset", "ultrafast", "-g", "10"]
    cue = "1\r\n00:00:00,200 --> 00:00:07,800\r\n%s\r\n"
    with open(os.path.join(root, "外挂.chs.srt"), "wb") as f:
        f.write((cue % "中文字幕").encode("gbk"))
    with open(os.path.join(root, "外挂.srt"), "wb") as f:
        f.write(b"\xef\xbb\xbf" + (cue % "English line").encode())
    with open(os.path.join(root, "内嵌.txt"), "wb") as f:
        f.write(halves(8, "一", "二").encode())
    subprocess.run(["ffmpeg", "-loglevel", "error"] + picture + h264 + [os.path.join(root, SIDECARS)], check=True)
    with open(os.path.join(root, "图形.sup"), "wb") as f:  # two empty display sets
        f.write(b"PG\0\0\x8c\xa0\0\0\0\0\x80\0\0PG\0\x02\x25\x10\0\0\0\0\x80\0\0")
    subprocess.run(["ffmpeg", "-loglevel", "error", "-i", os.path.join(root, SIDECARS), "-i",
                    os.path.join(root, "图形.sup"), "-map", "0", "-map", "1", "-c", "copy",
                    os.path.join(root, PICTURES)], check=True)
    subprocess.run(["ffmpeg", "-loglevel", "error"] + picture + ["-f", "lavfi", "-i", "sine=d=8", "-f", "srt", "-i",
                    os.path.join(root, "内嵌.txt"), "-map", "0", "-map", "1", "-map", "2"] + h264
                   + ["-c:a", "ac3", "-c:s", "srt", "-metadata:s:s:0", "language=chi", os.path.join(root, EMBEDDED)],
                   check=True)
    subprocess.run(["ffmpeg", "-loglevel", "error"] + picture
                   + ["-f", "lavfi", "-i", "sine=f=440:d=8", "-f", "lavfi", "-i", "sine=f=1000:d=8",
                      "-map", "0", "-map", "1", "-map", "2"] + h264
                   + ["-c:a", "aac", "-metadata:s:a:0", "language=chi", "-metadata:s:a:1", "language=eng",
                      os.path.join(root, TWO_TRACKS)], check=True)


def halves(seconds, first, second):
    """SubRip text: `first` up to the middle of `seconds`, `second` after it."""
    middle = seconds // 2
    return ("1\n00:00:00,200 --> 00:00:%02d,900\n%s\n\n2\n00:00:%02d,000 --> 00:00:%02d,800\n%s\n"
            % (middle - 1, first, middle, seconds - 1, second))


def make_odd_names(root):
    deep = os.fsencode(os.path.join(root, DEEP))
    deep_stills = os.fsencode(os.path.join(root, "VTemp", DEEP))
    for sub in (b"", GBK_FOLDER.encode("gbk")):
        folder, stills = os.path.join(deep, sub), os.path.join(deep_stills, sub)
        os.makedirs(folder, exist_ok=True)
        os.makedirs(stills)
        for name in LINE_BREAKS + [GBK_VIDEO.encode("gbk")]:
            shutil.copy(os.path.join(DATA, "clip.mp4"), os.path.join(folder, os.fsencode(name)))
            write_still(folder, name, RED, stills)
    kinds = os.path.join(root, DEEP, KINDS_FOLDER)
    os.makedirs(kinds)
    for name in kind_samples() + NOT_VIDEOS:
        open(os.path.join(kinds, name), "w").close()


def make_twins(root):
    stills = os.path.join(root, "VTemp", TWINS)
    os.makedirs(os.path.join(root, TWINS))
    os.makedirs(stills)
    for colour, (video, still) in zip((GREEN, RED, GREEN, RED), TWIN_STILLS.items()):
        open(os.path.join(root, TWINS, video), "w").close()
        with open(os.path.join(stills, still), "wb") as f:
            f.write(tvserver.png(64, 36, colour))


def served_kinds():
    """The video kinds as the build's copy of the page's script holds them."""
    with open(os.path.join(BUILD, "vomrixserver", "server", "tvpage", "tv.js"), encoding="utf-8") as f:
        return json.loads(re.search(r"var KINDS = (\{.*\});", f.read()).group(1))


def kind_samples():
    extensions = served_kinds()["videoExtensions"]
    return ["样" + e for e in extensions] + ["样" + e.upper() for e in extensions]


def write_still(folder_path, video, colour, still_folder=None):
    """The still as the program names it: the video's name, as bytes, with
    only its last extension replaced by .png."""
    still_folder = os.fsencode(still_folder or os.path.join(folder_path, "VTemp"))
    stem = os.fsencode(video).rsplit(b".", 1)[0]
    with open(os.path.join(still_folder, stem + b".png"), "wb") as f:
        f.write(tvserver.png(64, 36, colour))


def setUpModule():
    global folder, server, driver
    folder, server, driver = RUNNING.enter_context(
        tvserver.served(BUILD, "tvpage-share-", make_tree, lambda: tvserver.browser(1280, 720)))


def tearDownModule():
    RUNNING.close()


def wait_for(condition, timeout=10):
    return tvserver.wait_for(condition, timeout)


def open_page(path="", width=1280, height=720, keep_storage=False):
    """The page of a folder; what it kept in the browser forgotten first unless asked."""
    if not keep_storage:
        driver.execute_cdp_cmd("Storage.clearDataForOrigin", {"origin": "http://127.0.0.1:%d" % server.port,
                                                             "storageTypes": "local_storage"})
    driver.set_window_size(width, height)
    driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                           {"width": width, "height": height, "deviceScaleFactor": 1, "mobile": width < 600})
    driver.get(server.url(path))
    assert wait_for(lambda: driver.execute_script("return window.tvpageReady === true"))


def tile_names():
    return driver.execute_script(
        "return [].map.call(document.querySelectorAll('.tvp-tile .tvp-name'), function (n) { return n.textContent; })")


# The tile of a name, as a script expression over arguments[0].
TILE = ("(function (name) { return [].filter.call(document.querySelectorAll('.tvp-tile'),"
        " function (t) { return t.title === name; })[0]; })(arguments[0])")


def focused_name():
    return driver.execute_script("return document.activeElement.title || document.activeElement.textContent")


def press(key):
    from selenium.webdriver.common.action_chains import ActionChains
    ActionChains(driver).send_keys(key).perform()


def listing_links(path=""):
    status, _, body = tvserver.fetch(server.url(path))
    assert status == 200
    return [urllib.parse.unquote(h) for h in re.findall(r'<a href="([^"]*)"', body.decode())]


class ListingForPrograms(unittest.TestCase):
    """What a program reading the share sees, without a browser."""

    def test_every_entry_keeps_its_link_and_answers(self):
        links = listing_links()
        expected = ["../", "VTemp/", SUBFOLDER + "/", "网页/", MANY + "/"] + VIDEOS + OTHERS
        self.assertCountEqual(links, expected)
        self.assertCountEqual(listing_links(urllib.parse.quote(SUBFOLDER) + "/"), ["../", "更深/", "第3集.mp4"])
        for name in (HOSTILE, NEWLINE, "说明.txt"):
            status, _, body = tvserver.fetch(server.url(urllib.parse.quote(name)))
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual((status, body), (200, f.read()), name)
        status, headers, _ = tvserver.fetch(server.url("VTemp/" + urllib.parse.quote("第2集.png")))
        self.assertEqual((status, headers["Content-Type"]), (200, "image/png"))

    def test_page_files_need_the_password_and_reveal_nothing_else(self):
        base = "http://127.0.0.1:%d/" % server.port
        self.assertEqual(tvserver.fetch(base + "%25vomra/tv.js")[0], 200)
        self.assertEqual(tvserver.fetch(base + "%25vomra/tv.js", auth=False)[0], 401)
        status, headers, body = tvserver.fetch(base + "%25vomra/tv.js", headers={"Accept-Encoding": "gzip"})
        self.assertEqual((status, headers["Content-Encoding"]), (200, "gzip"))
        self.assertLess(len(body), len(tvserver.fetch(base + "%25vomra/tv.js")[2]) / 2)
        for path in ("%25vomra/", "%25vomra/../conf/nginx.conf", "%25vomra/..%2Fconf/nginx.conf",
                     "%25vomra/%2e%2e/.htpasswd", "%25vomra/401.html"):
            self.assertIn(tvserver.fetch(base + path)[0], (400, 403, 404), path)

    def test_wrong_password_gets_the_chinese_page_and_the_login_prompt(self):
        for url in (server.url(), server.url("VTemp/")):
            request = tvserver.urllib.request.Request(url, headers={"Authorization": tvserver.authorization(
                tvserver.USER, "wrong")})
            try:
                tvserver.urllib.request.urlopen(request, timeout=10)
                self.fail("no 401")
            except tvserver.urllib.error.HTTPError as error:
                self.assertEqual(error.code, 401)
                self.assertEqual(error.headers["WWW-Authenticate"], 'Basic realm="VomraServer"')
                self.assertIn("用户名或密码不对", error.read().decode())

    def test_every_script_the_page_serves_is_ecmascript_5(self):
        base = "http://127.0.0.1:%d" % server.port
        after = tvserver.fetch(server.url())[2].decode()
        scripts = re.findall(r'<script src="([^"]+)"', after)
        self.assertTrue(scripts)
        for src in scripts:
            status, _, body = tvserver.fetch(base + src)
            self.assertEqual(status, 200, src)
            parsed = subprocess.run(["acorn", "--ecma5", "--silent"], input=body, capture_output=True, timeout=30)
            self.assertEqual(parsed.returncode, 0, src + ": " + parsed.stderr.decode())


class Tiles(unittest.TestCase):
    def test_names_whole_sorted_folders_first_without_vtemp(self):
        open_page()
        names = tile_names()
        self.assertEqual(names[:3], [MANY, SUBFOLDER, "网页"])
        self.assertNotIn("VTemp", names)
        self.assertLess(names.index("第1集.mp4"), names.index("第2集.mp4"))
        self.assertLess(names.index("第2集.mp4"), names.index("第10集.mp4"))
        self.assertCountEqual(names, [MANY, SUBFOLDER, "网页"] + VIDEOS)
        files = driver.execute_script(
            "return [].map.call(document.querySelectorAll('.tvp-file'), function (n) { return n.textContent; })")
        self.assertCountEqual(files, OTHERS)
        self.assertTrue(driver.execute_script("return document.querySelector('body > pre').offsetHeight === 0"))

    def test_hostile_names_open_the_right_file(self):
        open_page()
        for name in (HOSTILE, NEWLINE, LONG):
            href = driver.execute_script("var t = " + TILE + "; return t && t.href", name)
            self.assertTrue(href, name)
            status, _, body = tvserver.fetch(href)
            with open(os.path.join(folder, name), "rb") as f:
                self.assertEqual((status, body), (200, f.read()), name)

    def test_stills_show_and_a_new_still_appears_without_reload(self):
        open_page()
        still = "return " + TILE + ".querySelector('img.tvp-still')"
        self.assertTrue(wait_for(lambda: driver.execute_script(still + " !== null", HOSTILE)))
        self.assertTrue(wait_for(lambda: driver.execute_script(still + " !== null", LONG)))
        self.assertFalse(driver.execute_script(still + " !== null", "无图.mp4"))
        write_still(folder, "无图.mp4", GREEN)
        try:
            self.assertTrue(wait_for(lambda: driver.execute_script(still + " !== null", "无图.mp4"), 15))
        finally:
            os.remove(os.path.join(folder, "VTemp", "无图.png"))

    def test_stills_of_a_subfolder_come_from_the_mirrored_path(self):
        open_page(urllib.parse.quote(SUBFOLDER) + "/")
        self.assertEqual(tile_names(), ["更深", "第3集.mp4"])
        self.assertTrue(wait_for(lambda: driver.execute_script(
            "var i = document.querySelector('img.tvp-still'); return i && i.naturalWidth === 64")))
        header = driver.execute_script("return document.querySelector('.tvp-top').textContent")
        self.assertEqual(header, tvserver.SHARE + " / " + SUBFOLDER)

    def test_a_folder_with_its_own_index_page_keeps_it(self):
        driver.get(server.url(urllib.parse.quote("网页") + "/"))
        time.sleep(0.5)
        self.assertTrue(driver.execute_script("return document.getElementById('own').offsetHeight > 0"))
        self.assertEqual(driver.execute_script("return document.querySelectorAll('.tvp-tile').length"), 0)

    def test_only_stills_on_screen_and_one_row_beyond_are_requested(self):
        open_page(urllib.parse.quote(MANY) + "/")
        requested = ("return performance.getEntriesByType('resource').filter(function (e) {"
                     " return /\\.png/.test(e.name); }).map(function (e) { return e.name; })")
        time.sleep(1)
        first = driver.execute_script(requested)
        self.assertGreaterEqual(len(first), 8)
        self.assertLessEqual(len(first), 20)
        driver.execute_script("window.scrollTo(0, document.documentElement.scrollHeight)")
        self.assertTrue(wait_for(lambda: any(u.endswith("/%d.png" % MANY_VIDEOS) for u in driver.execute_script(
            requested))))
        self.assertLess(len(driver.execute_script(requested)), MANY_VIDEOS / 2)

    def test_without_javascript_the_listing_is_as_before(self):
        plain = tvserver.browser(1280, 720, javascript=False)
        try:
            plain.get(server.url())
            links = plain.execute_script(
                "return [].map.call(document.querySelectorAll('a'), function (a) { return a.getAttribute('href'); })")
            self.assertEqual(len(links), 1 + 4 + len(VIDEOS) + len(OTHERS))
            self.assertTrue(plain.execute_script("return document.querySelector('pre').offsetHeight > 0"))
            self.assertEqual(plain.execute_script("return document.querySelectorAll('.tvp-tile').length"), 0)
        finally:
            plain.quit()


# Whether the tile of a name shows its still, as a script over arguments[0].
STILL_SHOWN = "var t = " + TILE + "; var i = t && t.querySelector('img.tvp-still'); return !!i && i.naturalWidth === 64"


class OddNames(unittest.TestCase):
    """Line breaks before the extension, names that are not UTF-8, and every
    video kind the page is served."""

    def open_deep(self, folder=""):
        open_page(urllib.parse.quote(DEEP) + "/" + (urllib.parse.quote(folder) + "/" if folder else ""))

    def assert_stills_show(self, names):
        for name in names:
            self.assertTrue(wait_for(lambda: driver.execute_script(STILL_SHOWN, name)), repr(name))

    def test_a_line_break_before_the_extension_finds_the_still(self):
        self.open_deep()
        self.assert_stills_show(LINE_BREAKS)

    def test_gbk_names_read_in_chinese_open_their_file_and_find_their_still(self):
        from selenium.webdriver.common.keys import Keys
        self.open_deep()
        self.assertEqual(tile_names()[:3], [KINDS_FOLDER, os.path.basename(FILMS), GBK_FOLDER])
        self.assert_stills_show([GBK_VIDEO])
        status, _, body = tvserver.fetch(driver.execute_script("return " + TILE + ".href", GBK_VIDEO))
        with open(os.path.join(os.fsencode(os.path.join(folder, DEEP)), GBK_VIDEO.encode("gbk")), "rb") as f:
            self.assertEqual((status, body), (200, f.read()))
        self.open_deep(GBK_FOLDER.encode("gbk"))
        self.assertEqual(driver.execute_script("return document.querySelector('.tvp-top').textContent"),
                         " / ".join([tvserver.SHARE, SUBFOLDER, "更深", GBK_FOLDER]))
        self.assert_stills_show([GBK_VIDEO] + LINE_BREAKS)
        press(Keys.BACKSPACE)
        self.assertTrue(wait_for(lambda: driver.execute_script("return window.tvpageReady === true")))
        self.assertEqual(focused_name(), GBK_FOLDER)

    def test_without_a_gbk_decoder_names_stay_in_percent_codes_and_find_their_still(self):
        hidden = driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument",
                                        {"source": "delete window.TextDecoder;"})
        try:
            self.open_deep()
            percent_codes = urllib.parse.quote(GBK_VIDEO.encode("gbk"))
            self.assertIn(percent_codes, tile_names())
            self.assert_stills_show([percent_codes])
        finally:
            driver.execute_cdp_cmd("Page.removeScriptToEvaluateOnNewDocument", {"identifier": hidden["identifier"]})

    def test_every_video_kind_served_is_a_video_in_either_case_and_near_misses_are_not(self):
        self.open_deep(KINDS_FOLDER)
        self.assertCountEqual(tile_names(), kind_samples())
        files = driver.execute_script(
            "return [].map.call(document.querySelectorAll('.tvp-file'), function (n) { return n.textContent; })")
        self.assertCountEqual(files, NOT_VIDEOS)


class Twins(unittest.TestCase):
    """Videos that share a stem show stills of their own, named as the
    program names them, in their folder and in "继续观看"."""

    def still_addresses(self, tiles):
        script = ("return [].map.call(document.querySelectorAll(arguments[0]), function (t) {"
                  " var i = t.querySelector('img.tvp-still'); return i && i.naturalWidth === 64 && i.src; })")
        return wait_for(lambda: all(driver.execute_script(script, tiles)) and driver.execute_script(script, tiles))

    def expected(self, videos):
        base = server.url("VTemp/" + folder_of(TWINS))
        return [base + urllib.parse.quote(TWIN_STILLS[v]) for v in videos]

    def test_twins_in_their_folder_show_their_own_stills(self):
        open_page(folder_of(TWINS))
        self.assertEqual(tile_names(), list(TWIN_STILLS))
        self.assertEqual(self.still_addresses(".tvp-tile"), self.expected(TWIN_STILLS))

    def test_twins_played_before_show_their_own_stills_at_the_top(self):
        open_page()
        for n, video in enumerate(TWIN_STILLS):
            key = "tvp-watch:/%s/%s%s" % (urllib.parse.quote(tvserver.SHARE), folder_of(TWINS), urllib.parse.quote(video))
            driver.execute_script("localStorage.setItem(arguments[0], JSON.stringify({t: 30, d: 60, at: arguments[1]}))",
                                  key, 1000 - n)
        open_page(keep_storage=True)
        self.assertEqual(self.still_addresses(".tvp-recent .tvp-tile"), self.expected(TWIN_STILLS))


class RemoteControl(unittest.TestCase):
    def rect(self):
        return driver.execute_script(
            "var r = document.activeElement.getBoundingClientRect(); return [r.left, r.top];")

    def test_arrows_move_by_grid_direction(self):
        from selenium.webdriver.common.keys import Keys
        open_page()
        self.assertEqual(focused_name(), MANY)
        start = self.rect()
        press(Keys.ARROW_RIGHT)
        right = self.rect()
        self.assertGreater(right[0], start[0])
        self.assertAlmostEqual(right[1], start[1], delta=2)
        press(Keys.ARROW_DOWN)
        below = self.rect()
        self.assertAlmostEqual(below[0], right[0], delta=2)
        self.assertGreater(below[1], right[1])
        press(Keys.ARROW_UP)
        self.assertEqual(self.rect(), right)
        press(Keys.ARROW_LEFT)
        self.assertEqual(focused_name(), MANY)

    def test_enter_opens_a_folder_and_back_returns_to_it(self):
        from selenium.webdriver.common.keys import Keys
        open_page()
        press(Keys.ARROW_RIGHT)
        press(Keys.ENTER)
        self.assertTrue(wait_for(lambda: urllib.parse.unquote(driver.current_url).endswith(SUBFOLDER + "/")))
        wait_for(lambda: driver.execute_script("return window.tvpageReady === true"))
        press(Keys.BACKSPACE)
        self.assertTrue(wait_for(lambda: urllib.parse.unquote(driver.current_url).split("#")[0].endswith(
            tvserver.SHARE + "/")))
        self.assertTrue(wait_for(lambda: driver.execute_script("return window.tvpageReady === true")))
        self.assertEqual(focused_name(), SUBFOLDER)

    def test_enter_plays_with_next_and_previous_one_key_away(self):
        from selenium.webdriver.common.keys import Keys
        open_page()
        # The test's clips last 0.2 s; their end would move the player on by
        # itself, between the keys on a busy machine.
        driver.execute_script("document.addEventListener('ended', function (e) { e.stopPropagation(); }, true)")
        for _ in range(3):
            press(Keys.ARROW_RIGHT)
        first = focused_name()
        self.assertEqual(first, tile_names()[3])
        press(Keys.ENTER)
        source = "var v = document.querySelector('.tvp-player video'); return v && v.getAttribute('src')"
        self.assertTrue(wait_for(lambda: driver.execute_script(source)))
        self.assertEqual(urllib.parse.unquote(driver.execute_script(source)).rsplit("/", 1)[1], first)
        self.assertTrue(driver.execute_script(
            "var r = document.querySelector('.tvp-player').getBoundingClientRect();"
            " return r.width === innerWidth && r.height === innerHeight"))
        title = "return document.querySelector('.tvp-title').textContent"
        press(Keys.ARROW_DOWN)
        self.assertEqual(driver.execute_script(title), tile_names()[4])
        press(Keys.ARROW_UP)
        self.assertEqual(driver.execute_script(title), first)
        self.assertTrue(wait_for(lambda: driver.execute_script(source)))
        self.assertEqual(urllib.parse.unquote(driver.execute_script(source)).rsplit("/", 1)[1], first)
        press(Keys.ESCAPE)
        self.assertFalse(driver.execute_script(
            "return document.querySelector('.tvp-player').offsetHeight > 0"))
        self.assertEqual(focused_name(), first)

    def test_a_broken_file_says_so_in_chinese_and_offers_the_plain_link(self):
        open_page()
        driver.execute_script(
            "[].filter.call(document.querySelectorAll('.tvp-tile'), function (t) {"
            " return t.title === '%s'; })[0].click()" % BROKEN)
        message = "return document.querySelector('.tvp-message').textContent"
        self.assertTrue(wait_for(lambda: "文件已损坏" in driver.execute_script(message)))
        href = driver.execute_script("return document.querySelector('.tvp-message a').href")
        self.assertEqual(urllib.parse.unquote(href).rsplit("/", 1)[1], BROKEN)
        from selenium.webdriver.common.keys import Keys
        press(Keys.ESCAPE)

    def test_a_playing_video_stops_when_the_next_cannot_be_played(self):
        from selenium.webdriver.common.keys import Keys
        open_page()
        driver.execute_script(
            "var t = document.querySelectorAll('.tvp-tile'), i = 0;"
            " while (t[i].title !== '%s') i++;"
            " t[i - 1].click(); document.querySelector('.tvp-player video').loop = true;" % BROKEN)
        self.assertTrue(wait_for(lambda: driver.execute_script(
            "return document.querySelector('.tvp-player video').currentTime > 0")))
        press(Keys.ARROW_DOWN)
        self.assertTrue(wait_for(lambda: driver.execute_script(
            "return document.querySelector('.tvp-message').offsetHeight > 0")))
        video = "var v = document.querySelector('.tvp-player video');"
        self.assertEqual(driver.execute_script("return document.querySelector('.tvp-title').textContent"), BROKEN)
        self.assertEqual(driver.execute_script(video + " return [v.paused, v.getAttribute('src')]"), [True, None])
        press(Keys.ESCAPE)


class EveryVideoPlays(unittest.TestCase):
    PLAYER = "var v = document.querySelector('.tvp-player video');"

    def decoded(self):
        return driver.execute_script(self.PLAYER + " return v && [v.currentTime, v.webkitDecodedFrameCount,"
                                     " v.webkitAudioDecodedByteCount, v.currentSrc]")

    def plays_with_picture_and_sound_and_seeks(self, name):
        from selenium.webdriver.common.keys import Keys
        open_page(urllib.parse.quote(FILMS) + "/")
        driver.execute_script(
            "[].filter.call(document.querySelectorAll('.tvp-tile'), function (t) {"
            " return t.title === '%s'; })[0].click()" % name)
        self.assertTrue(wait_for(lambda: (self.decoded() or [0])[0] > 1, 20), self.decoded())
        time_now, frames, sound, source = self.decoded()
        self.assertIn("part=playlist", source)
        self.assertGreater(frames, 0)
        self.assertGreater(sound, 0)
        press(Keys.ARROW_RIGHT)
        self.assertTrue(wait_for(lambda: self.decoded()[0] > time_now + 9, 20), self.decoded())
        self.assertTrue(wait_for(lambda: self.decoded()[1] > frames + 10, 20), self.decoded())
        press(Keys.ESCAPE)

    def test_a_film_with_ac3_sound_is_repackaged(self):
        self.plays_with_picture_and_sound_and_seeks("film.mkv")

    def test_an_xvid_film_is_converted(self):
        self.plays_with_picture_and_sound_and_seeks("old.avi")


class Sizes(unittest.TestCase):
    def layout(self):
        return driver.execute_script("""
            var tiles = document.querySelectorAll('.tvp-tile'), top = tiles[0].offsetTop, perRow = 0;
            for (var i = 0; i < tiles.length && tiles[i].offsetTop === top; i++) perRow++;
            var targets = document.querySelectorAll('.tvp-tile, .tvp-file, .tvp-top a'), smallest = 1e9;
            for (i = 0; i < targets.length; i++) smallest = Math.min(smallest, targets[i].offsetHeight);
            return { perRow: perRow, smallest: smallest,
                     nameSize: parseFloat(getComputedStyle(tiles[0].querySelector('.tvp-name')).fontSize),
                     overflow: document.documentElement.scrollWidth - innerWidth };""")

    def test_tv_phone_and_every_width_between(self):
        open_page()
        tv = self.layout()
        self.assertGreaterEqual(tv["perRow"], 4)
        self.assertGreaterEqual(tv["nameSize"], 24)
        for width in (360, 412, 430):
            open_page(width=width, height=900)
            phone = self.layout()
            self.assertEqual(phone["perRow"], 2, width)
            self.assertGreaterEqual(phone["smallest"], 44, width)
            self.assertLessEqual(phone["overflow"], 0, width)
        for width in (600, 800, 1024, 1920, 2560, 3840):
            open_page(width=width, height=1080)
            self.assertLessEqual(self.layout()["overflow"], 0, width)


# The player's video, as a script's first lines.
VIDEO = "var v = document.querySelector('.tvp-player video');"


def folder_of(path):
    return urllib.parse.quote(path) + "/"


def shown(selector):
    return driver.execute_script("var n = document.querySelector(arguments[0]); return !!n && n.offsetHeight > 0",
                                 selector)


class ResumeAndWatched(unittest.TestCase):
    """Where each video was left, kept in the browser, across pages."""

    def play_tile(self, name):
        driver.execute_script("var t = " + TILE + "; t.focus(); t.click()", name)

    def playing_at(self):
        return driver.execute_script(VIDEO + " return v.readyState > 0 && !v.seeking ? v.currentTime : -1")

    def test_reopening_goes_on_where_it_stopped_or_from_the_start(self):
        from selenium.webdriver.common.keys import Keys
        open_page(folder_of(WATCHING))
        self.play_tile(LONG_FILM)
        self.assertTrue(wait_for(lambda: self.playing_at() > 0))
        driver.execute_script(VIDEO + " v.currentTime = 20")
        self.assertTrue(wait_for(lambda: self.playing_at() >= 21))
        press(Keys.ESCAPE)
        self.assertEqual(focused_name(), LONG_FILM)
        width = driver.execute_script("return " + TILE + ".querySelector('.tvp-progress span').style.width", LONG_FILM)
        self.assertGreater(float(width.rstrip("%")), 60)
        # From "继续观看" at the share's top: its folder opens and plays it,
        # a moment before where it stopped, offering the start for a while.
        open_page(keep_storage=True)
        recent = driver.execute_script(
            "return [].map.call(document.querySelectorAll('.tvp-recent .tvp-tile'), function (t) { return t.title; })")
        self.assertEqual(recent, [LONG_FILM])
        driver.execute_script("document.querySelector('.tvp-recent .tvp-tile').click()")
        self.assertTrue(wait_for(lambda: 14 <= self.playing_at() < 20))
        self.assertTrue(driver.execute_script("return document.activeElement.textContent === '从头播放'"))
        press(Keys.ENTER)
        self.assertTrue(wait_for(lambda: 0 <= self.playing_at() < 3))
        self.assertFalse(shown(".tvp-restart"))
        press(Keys.ESCAPE)
        self.assertTrue(wait_for(lambda: focused_name() == LONG_FILM))

    def test_a_video_seen_to_its_end_is_marked_and_not_offered_again(self):
        open_page(folder_of(WATCHING))
        self.play_tile(SHORT_CLIP)
        seen = "return " + TILE + ".className.indexOf('tvp-seen') >= 0"
        self.assertTrue(wait_for(lambda: driver.execute_script(seen, SHORT_CLIP)))
        open_page(folder_of(WATCHING), keep_storage=True)
        self.assertTrue(driver.execute_script(seen, SHORT_CLIP))
        self.assertFalse(driver.execute_script(seen, LONG_FILM))
        open_page(keep_storage=True)
        self.assertFalse(shown(".tvp-recent"))


class SubtitlesAndSoundTracks(unittest.TestCase):
    """The subtitles beside and inside a film, and its sound tracks, chosen
    with the remote's keys and kept for the folder."""

    # [label, texts of its active cues] of each subtitle showing.
    SHOWING = VIDEO + (" return [].filter.call(v.textTracks, function (t) { return t.mode === 'showing'; })"
                       ".map(function (t) { return [t.label, [].map.call(t.activeCues || [], function (c) {"
                       " return c.text; })]; })")
    # The loudest frequency of what the video plays, through Web Audio.
    TONE = VIDEO + """
        var t = window.tvpTone;
        if (!t) {
            var c = new AudioContext(), a = c.createAnalyser();
            a.fftSize = 4096;
            c.createMediaElementSource(v).connect(a);
            a.connect(c.destination);
            t = window.tvpTone = { c: c, a: a };
        }
        var d = new Float32Array(t.a.frequencyBinCount), top = 1;
        t.a.getFloatFrequencyData(d);
        for (var i = 1; i < d.length; i++) if (d[i] > d[top]) top = i;
        return d[top] > -60 ? top * t.c.sampleRate / t.a.fftSize : 0;"""

    def play(self, name):
        driver.execute_script("var t = " + TILE + "; t.focus(); t.click()", name)

    def note(self):
        return driver.execute_script("var n = document.querySelector('.tvp-note');"
                                     " return n && n.offsetHeight > 0 ? n.textContent : ''")

    def test_subtitles_beside_the_film_show_in_turn_then_off_and_stay_chosen(self):
        open_page(folder_of(CHOICES))
        self.play(SIDECARS)
        self.assertTrue(wait_for(lambda: driver.execute_script(self.SHOWING) == [["简体", ["中文字幕"]]], 20),
                        driver.execute_script(self.SHOWING))
        self.assertTrue(shown(".tvp-bar .tvp-button:nth-child(4)"))
        press("s")
        self.assertEqual(self.note(), "字幕：字幕")
        self.assertTrue(wait_for(lambda: driver.execute_script(self.SHOWING) == [["字幕", ["English line"]]]))
        press("s")
        self.assertEqual(self.note(), "字幕：关")
        self.assertEqual(driver.execute_script(self.SHOWING), [])
        # "Off" holds for the folder's next film.
        from selenium.webdriver.common.keys import Keys
        press(Keys.ESCAPE)
        self.play(EMBEDDED)
        self.assertTrue(wait_for(lambda: driver.execute_script(
            VIDEO + " return v.textTracks.length === 1 && v.currentTime > 1"), 20))
        self.assertEqual(driver.execute_script(self.SHOWING), [])
        press(Keys.ESCAPE)

    def assert_cues_follow_the_picture(self, label, seconds, first, second):
        """Sampled while it plays, the cue showing is the one of its time."""
        seen, wrong, deadline, middle = set(), [], time.time() + 30, seconds / 2
        while time.time() < deadline and len(seen) < 2:
            at, showing = driver.execute_script(VIDEO + " return v.currentTime;"), driver.execute_script(self.SHOWING)
            expected = first if 0.5 < at < middle - 0.4 else second if middle + 0.3 < at < seconds - 0.5 else None
            if expected and showing != [[label, [expected]]]:
                wrong.append((at, showing))
            elif expected:
                seen.add(expected)
            time.sleep(0.2)
        self.assertEqual(wrong, [])
        self.assertEqual(seen, {first, second})

    def test_picture_subtitles_alone_are_said_to_be_left_out(self):
        open_page(folder_of(CHOICES))
        self.play(PICTURES)
        self.assertTrue(wait_for(lambda: "图形字幕" in self.note(), 20))
        self.assertFalse(shown(".tvp-bar .tvp-button:nth-child(4)"))
        from selenium.webdriver.common.keys import Keys
        press(Keys.ESCAPE)

    def test_subtitles_inside_a_repackaged_film_show_in_time(self):
        open_page(folder_of(CHOICES))
        self.play(EMBEDDED)
        # Played from the helper's playlist, natively or through hls.js.
        self.assertTrue(wait_for(lambda: driver.execute_script(
            VIDEO + " return /^blob:|part=playlist/.test(v.currentSrc)"), 20))
        self.assert_cues_follow_the_picture("中文", 8, "一", "二")
        self.assertFalse(shown(".tvp-bar .tvp-button:nth-child(5)"))
        from selenium.webdriver.common.keys import Keys
        press(Keys.ESCAPE)

    def test_subtitles_beside_a_converted_film_show_in_time(self):
        open_page(folder_of(FILMS))
        self.play("old.avi")
        self.assert_cues_follow_the_picture("字幕", 12, "前半", "后半")
        from selenium.webdriver.common.keys import Keys
        press(Keys.ESCAPE)

    def test_the_second_sound_track_is_heard_from_where_it_was(self):
        from selenium.webdriver.common.keys import Keys
        open_page(folder_of(CHOICES))
        self.play(TWO_TRACKS)
        self.assertTrue(wait_for(lambda: abs(driver.execute_script(self.TONE) - 440) < 30, 20),
                        driver.execute_script(self.TONE))
        before = driver.execute_script(VIDEO + " return v.currentTime")
        press("a")
        self.assertEqual(self.note(), "音轨：英语")
        self.assertTrue(wait_for(lambda: abs(driver.execute_script(self.TONE) - 1000) < 30, 20),
                        driver.execute_script(self.TONE))
        self.assertGreaterEqual(driver.execute_script(VIDEO + " return v.currentTime"), before)
        # The folder's next film starts with the English track at once.
        press(Keys.ESCAPE)
        self.play(TWO_TRACKS)
        self.assertTrue(wait_for(lambda: abs(driver.execute_script(self.TONE) - 1000) < 30, 20),
                        driver.execute_script(self.TONE))
        press(Keys.ESCAPE)


class History(unittest.TestCase):
    """Back as a remote expects: the browser's history holds one entry per
    folder gone down into, and Back at the share's top leaves the page."""

    def setUp(self):
        driver.get(server.url(urllib.parse.quote("说明.txt")))
        self.before = driver.execute_script("return history.length")

    def back_key_until(self, address):
        from selenium.webdriver.common.keys import Keys
        press(Keys.BACKSPACE)
        self.assertTrue(wait_for(lambda: urllib.parse.unquote(driver.current_url).split("#")[0].endswith(address)))

    def test_down_and_up_is_one_entry_and_back_at_the_top_leaves(self):
        from selenium.webdriver.common.keys import Keys
        open_page(keep_storage=True)
        driver.execute_script("var t = " + TILE + "; t.focus()", SUBFOLDER)
        press(Keys.ENTER)
        self.assertTrue(wait_for(lambda: urllib.parse.unquote(driver.current_url).endswith(SUBFOLDER + "/")))
        self.assertTrue(wait_for(lambda: driver.execute_script("return window.tvpageReady === true")))
        self.back_key_until(tvserver.SHARE + "/")
        self.assertTrue(wait_for(lambda: driver.execute_script("return window.tvpageReady === true")))
        self.assertEqual(focused_name(), SUBFOLDER)
        self.back_key_until("说明.txt")

    def test_up_from_a_folder_opened_directly_replaces_its_entry(self):
        open_page(folder_of(SUBFOLDER), keep_storage=True)
        self.back_key_until(tvserver.SHARE + "/")
        self.assertEqual(driver.execute_script("return history.length"), self.before + 1)
        self.assertTrue(wait_for(lambda: focused_name() == SUBFOLDER))
        self.back_key_until("说明.txt")

    def test_the_browsers_back_closes_the_player(self):
        open_page(folder_of(WATCHING), keep_storage=True)
        driver.execute_script("var t = " + TILE + "; t.focus(); t.click()", LONG_FILM)
        self.assertTrue(wait_for(lambda: shown(".tvp-player")))
        driver.back()
        self.assertTrue(wait_for(lambda: not shown(".tvp-player")))
        self.assertTrue(urllib.parse.unquote(driver.current_url).split("#")[0].endswith(WATCHING + "/"))
        self.assertEqual(focused_name(), LONG_FILM)
        self.assertEqual(driver.execute_script(VIDEO + " return v.paused"), True)


class BigFolders(unittest.TestCase):
    def focus(self):
        return driver.execute_script(
            "var e = document.activeElement, r = e.getBoundingClientRect();"
            " return [e.title || e.textContent, r.top >= 0 && r.bottom <= innerHeight];")

    def test_page_keys_home_and_end_keep_the_focus_on_screen(self):
        from selenium.webdriver.common.keys import Keys
        open_page(folder_of(ROWS))
        seen = [self.focus()]
        for _ in range(3):
            press(Keys.PAGE_DOWN)
            seen.append(self.focus())
        self.assertTrue(all(on_screen for _, on_screen in seen), seen)
        numbers = [int(name.split(".")[0]) for name, _ in seen]
        self.assertTrue(all(b - a >= 4 for a, b in zip(numbers, numbers[1:])), seen)
        press(Keys.PAGE_UP)
        self.assertEqual(self.focus(), seen[-2])
        press(Keys.END)
        self.assertEqual(self.focus(), ["说明.txt", True])
        press(Keys.HOME)
        self.assertEqual(self.focus(), ["1.mp4", True])

    def test_down_from_any_column_reaches_the_lone_last_tile(self):
        from selenium.webdriver.common.keys import Keys
        open_page(folder_of(ROWS))
        for name in ("57.mp4", "58.mp4", "59.mp4", "60.mp4"):
            driver.execute_script("var t = " + TILE + "; t.focus()", name)
            press(Keys.ARROW_DOWN)
            self.assertEqual(focused_name(), "61.mp4", name)

    def test_newest_first_is_remembered_and_name_order_comes_back(self):
        open_page(folder_of(ROWS))
        driver.execute_script("document.querySelectorAll('.tvp-switch')[1].click()")
        self.assertTrue(wait_for(lambda: tile_names() == ROW_VIDEOS[::-1]))
        open_page(folder_of(ROWS), keep_storage=True)
        self.assertEqual(tile_names(), ROW_VIDEOS[::-1])
        self.assertEqual(driver.execute_script("return document.querySelector('.tvp-chosen').textContent"), "最近添加")
        driver.execute_script("document.querySelectorAll('.tvp-switch')[0].click()")
        self.assertTrue(wait_for(lambda: tile_names() == ROW_VIDEOS))


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
