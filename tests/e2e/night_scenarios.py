"""The night's scenarios: a whole list, the daily window, drops, faults, an interrupted
transfer resumed, failed dials."""
import os
import time

from e2e_world import MB, check, typical_entry


def night(s):
    sizes = {"a1k.bin": 1024, "b100k.bin": 100 * 1024, "c1m.bin": MB, "d5m.bin": 5 * MB, "e30m.bin": 30 * MB}
    for name, size in sizes.items():
        s.add_file(name, size)
    urls = [s.url("plain", name) for name in sizes]
    s.prepare(urls)
    s.start_app()
    s.shot("start")
    s.press("Begin")
    s.wait_for(lambda: s.size_of("e30m.bin") > 0, 60, "the last file to start")
    s.shot("middle")
    s.wait_for_log("All files downloaded", 120)
    s.shot("end")
    log = s.log()
    s.assert_whole(*sizes)
    for url, (name, size) in zip(urls, sizes.items()):
        typical_entry(log, url, s.downloaded(name), name, size)
    check(log[0] == "Started" and "Успешное соединение" in log, "the log does not begin with the job")
    check(log[-2].startswith("Total time: ") and log[-1].startswith("Total downloaded: "), "no totals")
    check(s.url_list() == [], "1.txt still lists files")
    s.exit_app()
    return f"{sum(sizes.values())} bytes in 5 files"


def window(s):
    s.add_file("w1.bin", 200 * 1024)
    s.add_file("w2.bin", 300 * 1024)
    s.prepare([s.url("plain", "w1.bin"), s.url("plain", "w2.bin")], anytime=False, window=(2, 0, 2, 3))
    speed = 6
    s.start_app(faketime=f"@2026-12-08 01:59:50 x{speed}")
    s.press("Begin")
    s.wait_for_log("All files downloaded", 90)
    s.shot("end")
    first_request = s.requests[0][0]
    fake_seconds_to_request = (first_request - s.app_started) * speed
    check(fake_seconds_to_request >= 9, f"the dial came {fake_seconds_to_request:.0f} s after 01:59:50")
    log = s.log()
    check(log.index("Connecting. Attempt #1") > log.index("Started"), "no dial after Begin")
    s.assert_whole("w1.bin", "w2.bin")
    s.exit_app()
    return f"first request at 01:59:50 + {fake_seconds_to_request:.0f} s of the program's time"


def drops(s):
    s.add_file("big.bin", 30 * MB)
    s.prepare([s.url("drop5", "big.bin")])
    s.start_app(dialup="direct", faketime="+0 x5", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 120)
    log = s.log()
    s.assert_whole("big.bin")
    check(len([l for l in log if l.startswith("Downloaded:")]) == 1, "not exactly one Downloaded line")
    errors = len([l for l in log if l.startswith("Error while downloading!")])
    check(errors == 5, f"{errors} errors for five drops")
    resumes = len([l for l in log if l.startswith("Resume download:")])
    s.exit_app()
    return f"30 MiB, 5 drops, {resumes} resumes, {len(s.requests)} requests"


def faults(s):
    for name in ("a.bin", "b.bin", "e.bin", "f.bin"):
        s.add_file(name, MB)
    urls = [s.url("norange", "a.bin"), s.url("badrange", "b.bin"), s.url("status404", "c.html"),
            s.url("status500", "d.html"), s.url("stall", "e.bin"), s.url("plain", "f.bin")]
    s.prepare(urls)
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 180)
    log = s.log()
    s.assert_whole("a.bin", "e.bin", "f.bin")
    s.assert_prefix("b.bin")
    for page in ("c.html", "d.html"):
        check(not os.path.exists(s.downloaded(page)) or os.path.getsize(s.downloaded(page)) == 0,
              f"the error page {page} was saved")
    given_up = [l for l in log if l == "Error while downloading! (10 of 10)"]
    check(len(given_up) == 3, f"{len(given_up)} lines given up, expected b.bin, c.html and d.html")
    check(s.url_list() == [], "1.txt still lists files")
    s.exit_app()
    return f"{len(s.requests)} requests, {len([l for l in log if l.startswith('Error')])} failed passes"


def interrupted_transfer(s, interrupt, after_bytes):
    """A slow 30 MiB file cut off by `interrupt`, then resumed by a new start and Begin."""
    s.add_file("big.bin", 30 * MB)
    url = s.url("rate3000000", "big.bin")
    s.prepare([url])
    settings = open(os.path.join(s.home, "1.pwl"), "rb").read()
    s.start_app()
    s.press("Begin")
    s.wait_for(lambda: s.size_of("big.bin") > after_bytes, 60, f"{after_bytes} bytes of the file")
    s.shot("middle")
    started = time.monotonic()
    interrupt()
    took = time.monotonic() - started
    kept = s.size_of("big.bin")
    check(s.url_list() == [url], "1.txt does not list the unfinished file")
    check(open(os.path.join(s.home, "1.pwl"), "rb").read() == settings, "the settings changed")
    s.start_app()
    s.press("Begin")
    s.wait_for_log("All files downloaded", 60)
    s.assert_whole("big.bin")
    check("Resume download: " + url in s.log(), "the file was not resumed")
    s.exit_app()
    return f"ended in {took:.1f} s at {kept} bytes, resumed to the whole file"


def kill(s):
    return interrupted_transfer(s, s.kill_app, 6 * MB)


def exit_(s):
    return interrupted_transfer(s, lambda: s.exit_app(within=5), 3 * MB)


def dialfail(s):
    s.add_file("f.bin", 100 * 1024)
    s.prepare([s.url("plain", "f.bin")])
    s.start_app(dialup="sim:19,19/691;19,19/691;19,14,8192")
    s.press("Begin")
    s.wait_for_log("All files downloaded", 60)
    log = s.log()
    check(log.count("Пароль не подошел. Use PWLHack.") == 2, "not two password errors")
    check("Connecting. Attempt #3" in log and "Connecting. Attempt #4" not in log, "not three dials")
    waited = s.requests[0][0] - s.app_started
    check(waited >= 14, f"the redials took only {waited:.1f} s")
    s.assert_whole("f.bin")
    s.exit_app()
    return f"downloaded {waited:.1f} s after the start, after two failed dials"


SCENARIOS = {"night": night, "window": window, "drops": drops, "faults": faults,
             "kill": kill, "exit": exit_, "dialfail": dialfail}
