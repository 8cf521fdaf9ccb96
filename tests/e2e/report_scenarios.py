"""What the log tells the user about a night that lost a file."""
from e2e_world import MB, check


def given_up(s):
    for name in ("a.bin", "c.bin"):
        s.add_file(name, MB)
    gone = s.url("status404", "gone.pdf")
    s.prepare([s.url("plain", "a.bin"), gone, s.url("plain", "c.bin")])
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 120)
    s.shot("end")
    log = s.log()
    s.assert_whole("a.bin", "c.bin")
    named = [i for i, line in enumerate(log) if line.startswith("Given up: ")]
    check([log[i] for i in named] == [f"Given up: {gone} after 11 failures"], f"given-up lines: {named}")
    check(named[0] > log.index("Error while downloading! (10 of 10)"), "named before its last failure")
    check(log[-3].startswith("Total time: ") and log[-2].startswith("Total downloaded: "), "no totals")
    check(log[-1] == "Total given up: 1 line", f"the totals end in {log[-1]!r}")
    check(s.url_list() == [], "1.txt still lists files")
    s.exit_app()
    return f"{len(s.requests)} requests, one line given up and counted in the totals"


SCENARIOS = {"given_up": given_up}
