"""What "Downloaded" holds against: a file changed on the server far before the end of a
partial file, a server's digest of the file, and another local user who plants links and
files where a job run as root writes."""
import os
import subprocess
import time

from e2e_world import MB, check, sha256
from integrity_scenarios import downloaded_sizes, reasons_after_errors

NEIGHBOUR = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"]
LEFT_ALONE = "  the partial file belongs to another user or has other names: left alone"


def change_early(s, name, age):
    """Bytes 100 to 1,099 of the server's file change; its time says it changed `age` s ago."""
    path = os.path.join(s.www, name)
    with open(path, "r+b") as f:
        f.seek(100)
        f.write(os.urandom(1000))
    os.utime(path, (time.time() - age, time.time() - age))


def cut_then_change(s, name):
    s.press("Begin")
    s.wait_for(lambda: s.size_of(name) > MB, 60, f"a part of {name}")
    s.press("Stop")
    time.sleep(2)
    change_early(s, name, 600)


def sha_lines_match(s, log):
    """Each file's "  SHA-256:" line is sha256sum of the file in the folder."""
    lines = {}
    for i, line in enumerate(log):
        if line.startswith("Downloaded: "):
            name = line[len("Downloaded: "):].rsplit(" Size: ", 1)[0]
            found = [x for x in log[i + 1:i + 4] if x.startswith("  SHA-256: ")]
            lines[name] = found[0][len("  SHA-256: "):] if found else None
    if all(value is None for value in lines.values()):
        return "the window logs no SHA-256 lines yet"
    for name, digest in lines.items():
        check(digest == sha256(s.downloaded(name)), f"the SHA-256 line of {name} is {digest}")
    return f"{len(lines)} SHA-256 lines equal to sha256sum"


def changed_early(s):
    for name in ("early_etag.bin", "early_date.bin"):
        s.add_file(name, 4 * MB)
        change_early(s, name, 3600)
    s.prepare([s.url("etag2000000", "early_etag.bin"), s.url("lastmod2000000", "early_date.bin")])
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    cut_then_change(s, "early_etag.bin")
    cut_then_change(s, "early_date.bin")
    s.press("Begin")
    s.wait_for_log("All files downloaded", 120)
    log = s.log()
    s.assert_whole("early_etag.bin", "early_date.bin")
    check(reasons_after_errors(log) == [], f"failed passes: {reasons_after_errors(log)}")
    s.exit_app()
    return f"{len(s.requests)} requests, both files the new version, none spliced"


def digest(s):
    s.add_file("d.bin", 3 * MB)
    s.add_file("p.bin", MB)
    s.prepare([s.url("digest", "d.bin"), s.url("plain", "p.bin")])
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 120)
    log = s.log()
    s.assert_whole("d.bin", "p.bin")
    reasons = reasons_after_errors(log)
    check(reasons == ["  the server's digest does not match: fetching it whole"], f"reasons: {reasons}")
    ranges = [request[3] for _, request in s.requests if request[2].endswith("/d.bin")]
    check(ranges == ["-", "-"], f"d.bin was not fetched whole again: {ranges}")
    figures = sha_lines_match(s, log)
    s.exit_app()
    return figures


def as_neighbour(command, cwd):
    subprocess.run(NEIGHBOUR + ["sh", "-c", command], cwd=cwd, check=True, timeout=10)


def swapped_parent(s):
    """A folder on the download folder's path that anyone may write: the neighbour swaps the
    download folder for a link to a folder of root's."""
    outside = os.path.join(s.root, "outside")
    shared = os.path.join(s.home, "shared")
    os.makedirs(outside)
    os.makedirs(os.path.join(shared, "Downloads"))
    os.chmod(shared, 0o777)
    as_neighbour(f"mv Downloads Downloads.old && ln -s {outside} Downloads", shared)
    s.downloads = os.path.join(shared, "Downloads")
    s.add_file("f.bin", MB)
    s.prepare([s.url("plain", "f.bin")])
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    s.press("Begin")
    s.wait_for(lambda: s.url_list() == [], 120, "the line given up")
    s.exit_app()
    check(os.listdir(outside) == [], f"written through the link: {os.listdir(outside)}")
    check(s.requests == [], "a request went out for a folder that may not be written")


def foreign_files(s):
    """In a shared sticky folder: the neighbour's own.bin with a forged start and the real
    end, and a hard link to a file of root's."""
    sticky = os.path.join(s.home, "sticky")
    os.makedirs(sticky)
    os.chmod(sticky, 0o1777)
    s.downloads = sticky
    for name in ("own.bin", "hard.bin", "good.bin"):
        s.add_file(name, 2 * MB)
    with open(os.path.join(s.www, "own.bin"), "rb") as f:
        forged = b"forged" * 100000 + f.read()[-5000:]
    with open(os.path.join(s.root, "forged"), "wb") as f:
        f.write(forged)
    os.chmod(os.path.join(s.root, "forged"), 0o644)
    as_neighbour(f"cp {s.root}/forged own.bin && chmod 666 own.bin", sticky)
    secret = os.path.join(s.home, "secret")
    with open(secret, "wb") as f:
        f.write(b"root's own file")
    os.link(secret, os.path.join(sticky, "hard.bin"))  # as a neighbour can where links are free
    s.requests.clear()
    s.prepare([s.url("plain", name) for name in ("own.bin", "hard.bin", "good.bin")])
    s.start_app(dialup="direct", faketime="+0 x10", fast_timers=True)
    s.press("Begin")
    s.wait_for_log("All files downloaded", 150)
    log = s.log()
    s.exit_app()
    s.assert_whole("good.bin")
    check(list(downloaded_sizes(log)) == ["good.bin"], f"downloaded: {downloaded_sizes(log)}")
    with open(os.path.join(sticky, "own.bin"), "rb") as f:
        check(f.read() == forged, "the neighbour's file was written")
    check(os.stat(os.path.join(sticky, "own.bin")).st_uid == 65534, "own.bin changed hands")
    with open(secret, "rb") as f:
        check(f.read() == b"root's own file", "root's file was written through its hard link")
    check(reasons_after_errors(log).count(LEFT_ALONE) == 22, f"reasons: {reasons_after_errors(log)}")


def hostile_neighbour(s):
    check(os.geteuid() == 0, "the scenario runs as root")
    os.chmod(s.root, 0o755)
    os.chmod(s.home, 0o755)
    swapped_parent(s)
    foreign_files(s)
    return "nothing written outside the folder, no foreign file written, no false Downloaded"


SCENARIOS = {"changed_early": changed_early, "digest": digest, "hostile_neighbour": hostile_neighbour}
