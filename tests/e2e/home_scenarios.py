"""A night that survives a damaged home: a damaged settings file, a second copy on the same
folder, a download folder that cannot be written, and the end of the window."""
import os
import subprocess
import time

from e2e_world import MB, Failed, check, sha256


def files_of(folder):
    """Name -> (size, modification time) of the files in a folder, not below it."""
    return {name: (st.st_size, st.st_mtime_ns) for name in os.listdir(folder)
            for st in [os.stat(os.path.join(folder, name))] if not os.path.isdir(os.path.join(folder, name))}


def damagedhome(s):
    s.add_file("a.bin", 1000)
    urls = [s.url("plain", "a.bin"), s.url("plain", "never-fetched/b.bin")]
    s.prepare(urls)
    list_file = os.path.join(s.home, "1.txt")
    before = open(list_file, "rb").read()
    with open(os.path.join(s.home, "1.pwl"), "wb") as f:
        f.write(os.urandom(120))  # short and random
    s.start_app(wait=False)
    s.dismiss_error_box()
    s.wait_for_window()
    s.shot("start")
    s.exit_app()
    check(open(list_file, "rb").read() == before, "Exit changed 1.txt")
    check(os.path.getsize(os.path.join(s.home, "1.pwl")) == 299, "Exit wrote no whole settings record")
    return f"1.txt kept its {len(before)} bytes"


def secondcopy(s):
    s.add_file("slow.bin", 5 * MB)
    s.prepare([s.url("rate1500000", "slow.bin")])
    s.start_app()
    s.press("Begin")
    s.wait_for(lambda: s.size_of("slow.bin") > 0, 30, "the transfer to start")
    home_before = files_of(s.home)
    second = subprocess.Popen([s.larkspur], cwd=s.home, env=s.app_env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.PIPE, text=True)
    s.processes.append(second)
    s.dismiss_error_box()
    try:
        status = second.wait(10)
    except subprocess.TimeoutExpired:
        raise Failed("the second copy did not end after its message")
    complaint = second.stderr.read()
    check(status != 0, "the second copy ended with status 0")
    check("already running" in complaint, f"the second copy said {complaint!r} on standard error")
    check(files_of(s.home) == home_before, "the second copy touched the working folder")
    s.wait_for_log("All files downloaded", 60)
    s.assert_whole("slow.bin")
    log = s.log()
    check(len([line for line in log if line.startswith("Downloaded:")]) == 1, "not one Downloaded line")
    check(not any(line.startswith("Error") for line in log), "the first copy logged an error")
    s.exit_app()
    return f"second copy refused with status {status}; the first finished {sha256(s.downloaded('slow.bin'))[:12]}"


def readonly(s):
    s.add_file("f.bin", 100 * 1024)
    url = s.url("plain", "f.bin")
    s.prepare([url])
    settings = os.path.join(s.home, "1.pwl")
    record = bytearray(open(settings, "rb").read())
    record[130] = 1  # Disconnect from the internet when done
    open(settings, "wb").write(bytes(record))
    # The download folder read-only in a mount namespace of the program's own: even root
    # cannot write there.
    read_only = ["unshare", "--mount", "--propagation", "private", "sh", "-c",
                 'mount --bind "$0" "$0" && mount -o remount,ro,bind "$0" "$0" && exec "$@"',
                 s.downloads]
    s.start_app(prefix=read_only)  # the simulated modem hangs up; its waits need real timers
    s.press("Begin")
    s.wait_for(lambda: len(s.requests) >= 11, 120, "eleven tries of the file")
    time.sleep(10)  # the end of the job, a new Begin after the retry pause, a dial, an empty list
    check(s.log() == [], "log.txt was written into the read-only folder")
    check(s.error_boxes() == [], "an error box is up")
    subprocess.run(["nsenter", "--target", str(s.app.pid), "--mount", "mount", "-o", "remount,rw,bind",
                    s.downloads, s.downloads], check=True)
    s.press("Begin")  # the next run of the driver saves the whole log
    s.wait_for(lambda: s.log()[-1:] and s.log()[-1].startswith("Total downloaded: "), 30,
               "the log of the night")
    log = s.log()
    s.shot("end")
    failure = f'Cannot create file "{s.downloaded("log.txt")}". Read-only file system'
    given_up = log.index("Error while downloading! (10 of 10)")
    end = log.index("All files downloaded", given_up)
    check(log[end + 1].startswith("Total time: ") and log[end + 2].startswith("Total downloaded: "),
          f"the night ended without its totals: {log[end:end + 4]}")
    check(log[end + 3] == failure, f"no reason for the failed log save: {log[end + 3]!r}")
    check("Connecting. Attempt #2" in log[end:], "the line was not hung up at the end of the job")
    check(log.count(failure) >= 12, "not every failed log save was reported")
    check(s.error_boxes() == [], "an error box is up")
    s.exit_app()
    return f"{len(s.requests)} requests, {log.count(failure)} failed log saves reported on screen"


def windowend(s):
    s.add_file("w.bin", 50 * 1024)
    s.prepare([s.url("plain", "w.bin")], anytime=False, window=(8, 0, 9, 0))
    speed = 10
    s.start_app(dialup="direct", faketime=f"@2026-12-08 08:59:00 x{speed}", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 30)
    past_0902 = s.app_started + (3 * 60 + 15) / speed
    time.sleep(max(0.0, past_0902 - time.monotonic()))
    s.press("Dial")  # the driver's next run saves the whole log
    s.wait_for_log("Already connected", 30, count=2)
    log = s.log()
    s.shot("end")
    done = log.index("All files downloaded")
    between = log[done + 3:log.index("Already connected", done)]
    check(len(between) == 3 and between[0] == "Время вышло." and between[1].startswith("Total time: ")
          and between[2].startswith("Total downloaded: "),
          f"from 09:00 to 09:02 the log shows {len(between)} lines: {between[:8]}")
    s.exit_app()
    return f"one end of the window from 09:00 to 09:02 (lines: {between})"


SCENARIOS = {"damagedhome": damagedhome, "secondcopy": secondcopy, "readonly": readonly,
             "windowend": windowend}
