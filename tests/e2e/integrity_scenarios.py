"""A night as a new user has it: two list lines that end in the same name, a file that
changes on the server between two Begins, one that is gone. The log and the folder must
tell the same truth."""
import os
import time

from e2e_world import MB, check

NOT_THIS_FILE = "  the partial file is not this file: fetching it whole"


def downloaded_sizes(log):
    """Name -> size of the last "Downloaded:" line of each name."""
    sizes = {}
    for line in log:
        if line.startswith("Downloaded: "):
            name, size = line[len("Downloaded: "):].rsplit(" Size: ", 1)
            sizes[name] = int(size)
    return sizes


def reasons_after_errors(log):
    return [log[i + 1] for i, line in enumerate(log) if line.startswith("Error while downloading!")]


def integrity(s):
    for name, size in {"changes.bin": 6 * MB, "a/x.bin": 2 * MB, "b/x.bin": 2 * MB, "plain.bin": MB}.items():
        s.add_file(name, size)
    urls = [s.url("rate2000000", "changes.bin"), s.url("plain", "a/x.bin"), s.url("plain", "b/x.bin"),
            s.url("plain", "plain.bin"), s.url("plain", "missing.bin")]
    s.prepare(urls)
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    s.press("Begin")
    s.wait_for(lambda: s.size_of("changes.bin") > MB, 60, "a part of changes.bin")
    s.press("Stop")
    time.sleep(2)
    s.add_file("changes.bin", 6 * MB)  # a new version on the server
    s.press("Begin")
    s.wait_for_log("All files downloaded", 200)
    s.shot("end")
    log = s.log()

    check(s.url_list() == [], "1.txt still lists files")
    with open(s.downloaded("x.bin"), "rb") as got, open(os.path.join(s.www, "b/x.bin"), "rb") as b:
        check(got.read() == b.read(), "x.bin is not the last line's file")
    s.assert_whole("changes.bin", "plain.bin")
    check(not os.path.exists(s.downloaded("missing.bin")), "the file given up left a file behind")
    for name, size in downloaded_sizes(log).items():
        check(os.path.getsize(s.downloaded(name)) == size, f"the log's size of {name} is not the folder's")
    reasons = reasons_after_errors(log)
    check(reasons.count(NOT_THIS_FILE) == 2, f"not two partial files refused: {reasons}")
    check(reasons.count("  404 Not Found") == 11, f"not eleven 404 reasons: {reasons}")
    check(len(reasons) == 13, f"errors without a reason, or unexpected ones: {reasons}")
    s.exit_app()
    return f"{len(s.requests)} requests, {len(reasons)} failed passes, each with its reason"


SCENARIOS = {"integrity": integrity}
