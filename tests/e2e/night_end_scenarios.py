"""How a night ends: the end of the window during a transfer, with and without hanging up, a
save that fails at the end, and the last line given up. Each ends the night exactly once."""
import os
import time

from e2e_world import MB, check


def window_over(s, dialup, faketime, fast_timers):
    s.add_file("slow.bin", 2 * MB)
    url = s.url("rate150000", "slow.bin")
    # Open from 23:59 to 23:58 of the next day: the end comes at 23:58, the next window at 23:59.
    s.prepare([url], anytime=False, window=(23, 59, 23, 58), disconnect=dialup == "sim")
    s.start_app(dialup=dialup, faketime=faketime, fast_timers=fast_timers)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 120)
    log = s.log()
    check(log.count("Время вышло.") == 1, f'{log.count("Время вышло.")} ends of the window')
    end = log.index("Время вышло.")
    check(log[end + 1].startswith("Total time: ") and log[end + 2].startswith("Total downloaded: "),
          f"the end of the window reads {log[end:end + 3]}")
    check(log[end + 3:].count("Started") == 1, "the job did not go back to waiting once")
    check(sum(line.startswith("Total time: ") for line in log) == 2, "not one totals block per night")
    check(not any(line.startswith("Error while downloading!") for line in log), "the stop was an error")
    check("Resume download: " + url in log[end:], "the file was not resumed at the next window")
    check(len(s.requests) == 2, f"{len(s.requests)} requests: a transfer ran on after the end")
    s.assert_whole("slow.bin")
    s.exit_app()
    return log[end + 3:]


def windowover(s):
    window_over(s, "direct", "@2026-12-08 23:57:30 x10", True)
    return "one end, one totals block, resumed whole at the next window"


def windowover_hangup(s):
    after = window_over(s, "sim", "@2026-12-08 23:57:40 x6", False)
    check("Connecting. Attempt #2" in after, "the line was not hung up at the end of the window")
    return "one end, hung up, dialled again and resumed at the next window"


def savefails(s):
    s.add_file("f.bin", 64 * 1024)
    s.prepare([s.url("plain", "f.bin")], disconnect=True)
    work = os.path.join(s.root, "work")
    os.makedirs(work)
    # The working folder on a tmpfs of the program's own whose every inode is taken.
    no_inode = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                'mount -t tmpfs -o size=1m,nr_inodes=16 tmpfs "$0" && cp "$HOME/1.pwl" "$HOME/1.txt" "$0" '
                '&& cd "$0" && touch .larkspur.lock && i=0 && while touch "f$i" 2>/dev/null; do i=$((i+1)); done; '
                'exec "$@"', work]
    s.start_app(prefix=no_inode)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 60)
    log = s.log()
    done = log.index("All files downloaded")
    check(log[done + 1].startswith(f'Cannot create file "{work}/1.txt"'), f"the end reads {log[done:done + 4]}")
    check(log[done + 2].startswith("Total time: ") and log[done + 3].startswith("Total downloaded: "),
          "no totals after the failed save")
    for _ in range(4):  # the failed saves of the dial and of the end
        if s.error_boxes():
            s.dismiss_error_box()
            time.sleep(0.5)
    check(s.error_boxes() == [], "an error box stays up")
    s.press("Dial")
    s.wait_for(lambda: "Connecting. Attempt #2" in s.log(), 30, "a second dial")
    s.assert_whole("f.bin")
    return "the failed save logged, then totals, log.txt and the hang-up"


def givenup_end(s):
    s.start_logind()
    s.prepare([s.url("status404", "gone.bin")], turn_off=True, disconnect=True)
    # the simulated modem, which hangs up, needs real timers
    s.start_app(environment={"LARKSPUR_POWER_OFF_DELAY": "2"})
    s.press("Begin")
    s.wait_for_log("All files downloaded", 150)
    time.sleep(9)  # longer than the retry pause and a dial
    log = s.log()
    check(log.count("All files downloaded") == 1 and log.count("Total time: 00:00:00") <= 1,
          "the night ended twice")
    check("Connecting. Attempt #2" not in log, "the line was dialled again after the end")
    check(log.count("Started") == 11, f'{log.count("Started")} starts for eleven tries')
    power_offs = len(s.mock_calls("logind", "PowerOff"))
    check(power_offs == 1, f"{power_offs} power-off requests")
    check(not os.path.exists(s.downloaded("gone.bin")), "a file of the line given up was left")
    return "one end, no dial after it, one power-off"


SCENARIOS = {"windowover": windowover, "windowover_hangup": windowover_hangup,
             "savefails": savefails, "givenup_end": givenup_end}
