"""What the morning finds: a notification of the night, the announced power-off that can be
cancelled, last night's log kept, the given-up URLs kept, the lines Begin adds, and a full
download folder that ends the night with the list kept."""
import os
import time

from e2e_world import check


def morning(s):
    s.start_notifications()
    s.start_logind()
    s.add_file("a.bin", 30 * 1024)
    s.prepare([s.url("plain", "a.bin"), s.url("status404", "gone.bin")], turn_off=True)
    s.start_app(dialup="direct", fast_timers=True, faketime="+0 x10",
                environment={"LARKSPUR_POWER_OFF_DELAY": "6"})
    s.press("Begin")
    s.countdown_dialog(timeout=60)
    s.shot("countdown")
    s.cancel_countdown()
    s.wait_for(lambda: "Power-off cancelled: the computer stays on" in s.log(), 20, "the cancel in the log")
    reports = [n for n in s.notifications() if n[1] == "Larkspur" and "downloaded" in n[2]]
    check(len(reports) == 1 and reports[0][2].startswith("1 file downloaded"), f"the night's reports: {reports}")
    check(s.mock_calls("logind", "PowerOff") == [], "the machine was powered off after Cancel")
    inhibits = s.mock_calls("logind", "Inhibit")
    check(len(inhibits) == 1 and '"sleep:idle" "Larkspur"' in inhibits[0], f"the sleep lock: {inhibits}")
    with open(os.path.join(s.home, "given-up.txt"), "rb") as f:
        check(s.url("status404", "gone.bin").encode() in f.read(), "the given-up URL was not kept")
    first_log = s.log()
    s.press("Begin")  # a second job on the empty list: its power-off goes ahead unattended
    s.wait_for(lambda: len(s.mock_calls("logind", "PowerOff")) == 1, 40, "the power-off after the countdown")
    check("Powering off" in s.log(), "no \"Powering off\" in the log")
    with open(s.downloaded("log.1.txt"), "rb") as f:
        check(f.read().decode("cp1251").split("\r\n")[:-1] == first_log, "the first job's log was not kept")
    s.exit_app()
    return "one report, Cancel kept the machine on, the next end powered off, both logs kept"


def beginlines(s):
    s.prepare([s.url("plain", "x.bin")], anytime=False, window=(2, 0, 9, 0))
    s.start_app(dialup="direct", faketime="@2026-12-08 21:48:00")
    s.press("Begin")
    s.press("Stop")  # Stop writes the log
    s.wait_for(lambda: any(line.startswith("Waiting for the window 02:00 to 09:00: it opens in 4 h 1")
                           for line in s.log()), 20, "the waiting line")
    s.exit_app()
    s.prepare([s.url("plain", "x.bin")], anytime=False, window=(25, 0, 9, 0))
    s.start_app(dialup="direct")
    s.press("Begin")
    s.press("Stop")  # Stop writes the log
    s.wait_for(lambda: any(line.startswith("The window cannot open: the start hour") for line in s.log()),
               20, "the refusal")
    check("Started" not in s.log(), "a window that never opens was waited for")
    s.exit_app()
    return "the waiting line, and hour 25 refused at Begin"


def fullfolder(s):
    s.start_notifications()
    s.add_file("big.bin", 512 * 1024)
    s.add_file("next.bin", 1024)
    urls = [s.url("plain", "big.bin"), s.url("plain", "next.bin")]
    s.prepare(urls)
    # The download folder on a tmpfs of the program's own, too small for the first file; the
    # log cannot be written there either, so the morning's notification tells how it ended.
    small = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
             'mount -t tmpfs -o size=128k tmpfs "$0" && exec "$@"', s.downloads]
    s.start_app(dialup="direct", prefix=small, fast_timers=True, faketime="+0 x10")
    s.press("Begin")
    s.wait_for(lambda: any("No space left on device" in n[2] for n in s.notifications()), 60,
               "the night's report")
    time.sleep(2)
    reports = [n[2] for n in s.notifications() if n[1] == "Larkspur"]
    check(len(reports) == 1 and "given up" not in reports[0], f"the night's reports: {reports}")
    s.exit_app()
    check(s.url_list() == urls, f"the list was not kept: {s.url_list()}")
    return "the full folder ended the night once, nothing given up, the list kept"


def refuseddial(s):
    s.prepare([s.url("plain", "x.bin")])
    s.start_app(dialup="pppd")  # no peers file for the empty entry: each dial is refused at once
    s.press("Begin")
    time.sleep(8)  # the first dial, the redial delay, the second dial
    s.press("Stop")
    s.wait_for(lambda: "Connecting. Attempt #2" in s.log(), 20, "a second dial")
    check("Hardware failure." in s.log(), "the refused dial was not logged")
    s.exit_app()
    return "a dial refused at once is tried again after the redial delay"


SCENARIOS = {"morning": morning, "beginlines": beginlines, "fullfolder": fullfolder,
             "refuseddial": refuseddial}
