"""The TV page in WebKitGTK, an engine without HLS of its own but with
MediaSource, against the real nginx and playback helper on a loopback port:
what the helper repackages plays through hls.js, and what the engine reads
itself never fetches it. Run under an X display:
/usr/bin/python3 hls_fallback_test.py <build dir>"""

import contextlib
import os
import subprocess
import sys
import unittest

import tvserver

BUILD = None
# H.264 with AC-3 5.1 sound, 30 s with a key frame every 2 s: in Matroska,
# which WebKitGTK reads itself, and in MPEG-TS, as Blu-ray rips come, which
# it does not. HEVC in MPEG-TS, which hls.js's light build cannot read, so the
# helper converts it.
FILMS = {"a.m2ts": ("libx264", 30), "b.mkv": ("libx264", 30), "c.m2ts": ("libx265", 4)}
PLAYER = "var v = document.querySelector('.tvp-player video');"

RUNNING = contextlib.ExitStack()
server = None
folder = None
driver = None


def make_films(root):
    for name, (encoder, seconds) in FILMS.items():
        subprocess.run(["ffmpeg", "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=320x180:r=25:d=%d" % seconds,
                        "-f", "lavfi", "-i", "sine=d=%d" % seconds, "-ac", "6", "-c:v", encoder, "-preset", "ultrafast",
                        "-g", "50", "-c:a", "ac3", os.path.join(root, name)], check=True)


def setUpModule():
    global folder, server, driver
    folder, server, driver = RUNNING.enter_context(
        tvserver.served(BUILD, "tvpage-hls-", make_films, lambda: tvserver.webkit_browser(1280, 720)))


def tearDownModule():
    RUNNING.close()


def wait_for(condition, timeout=20):
    return tvserver.wait_for(condition, timeout)


def press(key):
    from selenium.webdriver.common.action_chains import ActionChains
    ActionChains(driver).send_keys(key).perform()


def playing():
    """[time, frames decoded, audio tracks, address] of the player's video."""
    return driver.execute_script(PLAYER + " return v && [v.currentTime, v.getVideoPlaybackQuality().totalVideoFrames,"
                                 " v.audioTracks ? v.audioTracks.length : -1, v.currentSrc]")


def library_fetched():
    return driver.execute_script("return performance.getEntriesByType('resource').some(function (e) {"
                                 " return /hls\\.light\\.min\\.js$/.test(e.name); })")


def open_and_play(name):
    driver.get(server.url(with_password=True))
    assert wait_for(lambda: driver.execute_script("return window.tvpageReady === true"), 10)
    driver.execute_script("var name = arguments[0]; [].filter.call(document.querySelectorAll('.tvp-tile'),"
                          " function (t) { return t.title === name; })[0].click()", name)


class HlsThroughLibrary(unittest.TestCase):
    def assert_plays_on(self, address_test):
        self.assertTrue(wait_for(lambda: (playing() or [0])[0] > 1), playing())
        seconds, frames, audio_tracks, source = playing()
        self.assertTrue(address_test(source), source)
        self.assertGreater(frames, 0)
        self.assertGreater(audio_tracks, 0)
        return seconds, frames

    def test_the_engine_says_it_has_no_hls_but_mediasource_for_h264(self):
        self.assertEqual(driver.execute_script(
            "return [document.createElement('video').canPlayType('application/vnd.apple.mpegurl'),"
            " MediaSource.isTypeSupported('video/mp4; codecs=\"avc1.42E01E,mp4a.40.2\"')]"), ["", True])

    def test_repackaged_films_play_through_hls_js_seek_and_let_go_when_left(self):
        from selenium.webdriver.common.keys import Keys
        open_and_play("b.mkv")
        self.assert_plays_on(lambda source: source.endswith("/b.mkv"))
        self.assertFalse(library_fetched())
        press(Keys.ARROW_UP)
        seconds, frames = self.assert_plays_on(lambda source: source.startswith("blob:"))
        self.assertTrue(library_fetched())
        press(Keys.ARROW_RIGHT)
        self.assertTrue(wait_for(lambda: playing()[0] > seconds + 9), playing())
        self.assertTrue(wait_for(lambda: playing()[1] > frames + 10), playing())
        driver.execute_script("window.destroyed = 0; var d = Hls.prototype.destroy;"
                              " Hls.prototype.destroy = function () { window.destroyed++; return d.apply(this); };")
        press(Keys.ARROW_DOWN)
        self.assert_plays_on(lambda source: source.endswith("/b.mkv"))
        self.assertEqual(driver.execute_script("return window.destroyed"), 1)
        press(Keys.ESCAPE)

    def test_hevc_which_hls_js_cannot_read_is_converted_for_it(self):
        from selenium.webdriver.common.keys import Keys
        open_and_play("c.m2ts")
        self.assert_plays_on(lambda source: source.startswith("blob:"))
        self.assertTrue(library_fetched())
        press(Keys.ESCAPE)


if __name__ == "__main__":
    BUILD = sys.argv.pop(1)
    unittest.main(verbosity=2)
