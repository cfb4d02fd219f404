#!/usr/bin/python3
"""The TV page's benchmark (no test): a folder of 5,000 videos, each with its
still, served by the real nginx on a loopback port and opened in headless
Chromium at 1280 x 720. Prints the time from the start of the navigation to
the frame that draws the first screen of tiles, the time until every tile is
built, how many stills were requested, and the weight of the page's own files.
  /usr/bin/python3 bench/tvpage_bench.py [build dir] [videos]"""

import gzip
import os
import statistics
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "tvpage"))
import tvserver  # noqa: E402

RUNS = 3

MEASURE = """
    var t = performance.timing, stills = performance.getEntriesByType('resource').filter(function (e) {
        return /\\.png$/.test(e.name); });
    return { firstScreen: window.tvpageFirstScreen - t.navigationStart,
             allTiles: document.querySelectorAll('.tvp-tile').length,
             stills: stills.length };"""


def make_folder(root, count):
    os.makedirs(os.path.join(root, "VTemp"))
    still = tvserver.png(640, 360, (90, 120, 160))
    for n in range(1, count + 1):
        name = "第%d集" % n
        open(os.path.join(root, name + ".mp4"), "wb").close()
        with open(os.path.join(root, "VTemp", name + ".png"), "wb") as f:
            f.write(still)


def page_weight(build):
    """Each of the page's files: its size, and compressed as nginx sends it."""
    folder = os.path.join(build, "vomrixserver", "server", "tvpage")
    weight = {}
    for name in sorted(os.listdir(folder)):
        with open(os.path.join(folder, name), "rb") as f:
            data = f.read()
        weight[name] = (len(data), len(gzip.compress(data, compresslevel=1)))
    return weight


def run_once(server, driver):
    driver.get("about:blank")
    driver.get(server.url())
    driver.execute_async_script(
        "var done = arguments[0]; (function wait() {"
        " if (window.tvpageReady && window.tvpageFirstScreen) setTimeout(done, 1000); else setTimeout(wait, 20); })()")
    result = driver.execute_script(MEASURE)
    result["ready"] = driver.execute_script(
        "return window.tvpageReadyAt ? window.tvpageReadyAt - performance.timing.navigationStart : null")
    return result


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build"))
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 5000
    fill = lambda root: make_folder(root, count)
    browser = lambda: tvserver.browser(1280, 720)  # noqa: E731
    with tvserver.served(build, "tvpage-bench-", fill, browser) as (_, server, driver):
        results = [run_once(server, driver) for _ in range(RUNS)]
    first = [r["firstScreen"] for r in results]
    print("videos in the folder:            %d" % count)
    print("first screen of tiles drawn:     best %d ms, median %d ms (%d runs)" %
          (min(first), statistics.median(first), RUNS))
    print("every tile built:                median %d ms after the start (%d tiles)" %
          (statistics.median(r["ready"] for r in results), results[-1]["allTiles"]))
    print("stills requested:                %d" % results[-1]["stills"])
    weight = page_weight(build)
    print("page files (bytes, compressed):  %s" % ", ".join(
        "%s %d (%d)" % (name, size, packed) for name, (size, packed) in weight.items()))


if __name__ == "__main__":
    main()
